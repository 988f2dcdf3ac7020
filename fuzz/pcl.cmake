# The PCL scanner, command splitting, page splitting and the page bitmap, on arbitrary bytes.
pagellan_add_fuzzer(fuzz_pcl SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pcl.cpp LIBS pagellan_pcl)
