# The PCL scanner, command splitting, page splitting and the page bitmap, on arbitrary bytes.
# The interpreter sources are compiled into the target itself so that the fuzzer sees their
# coverage and the sanitizers check them.
set(_pcl_src ${PROJECT_SOURCE_DIR}/src/pcl)
pagellan_add_fuzzer(fuzz_pcl
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pcl.cpp ${_pcl_src}/PCLCommandList.cpp ${_pcl_src}/PCLCommands.cpp
          ${_pcl_src}/PCLDevice.cpp ${_pcl_src}/PCLDrawing.cpp ${_pcl_src}/PCLParse.cpp
          ${_pcl_src}/PCLValues.cpp ${_pcl_src}/PageBitmap.cpp ${_pcl_src}/SoftFont.cpp
          ${PROJECT_SOURCE_DIR}/src/docset/HLWStream.cpp
  LIBS pagellan_pcl)
