# The scanning plug-in's TIFF reading and the page window's bitmap decoding on arbitrary bytes.
if(TARGET pagellan_scan_core)
  pagellan_add_fuzzer(fuzz_tiff SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_tiff.cpp
    LIBS pagellan_scan_core pagellan_viewer_core)
endif()
