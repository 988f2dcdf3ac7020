# The Tesselon reader and writer on arbitrary bytes. The container sources are compiled into
# the target itself so that the fuzzer sees their coverage and the sanitizers check them.
set(_tsn_src ${PROJECT_SOURCE_DIR}/src/docset)
pagellan_add_fuzzer(fuzz_tesselon
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_tesselon.cpp ${_tsn_src}/Tesselon.cpp ${_tsn_src}/HLWStream.cpp
          ${_tsn_src}/DocSet.cpp
  LIBS pagellan_docset pugixml::pugixml ZLIB::ZLIB PkgConfig::LIBZIP)
