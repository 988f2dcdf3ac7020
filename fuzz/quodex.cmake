# The Quodex reader and writer on arbitrary bytes. The container sources are compiled into the
# target itself so that the fuzzer sees their coverage and the sanitizers check them.
set(_qdx_src ${PROJECT_SOURCE_DIR}/src/docset)
pagellan_add_fuzzer(fuzz_quodex
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_quodex.cpp ${_qdx_src}/Quodex.cpp ${_qdx_src}/DocSet.cpp
          ${_qdx_src}/FormCRC.cpp ${_qdx_src}/HLWStream.cpp
  LIBS pagellan_docset ZLIB::ZLIB PkgConfig::LIBZIP)
