# The PCL XL interpreter: printer languages told apart, pages found and drawn.
pagellan_add_fuzzer(fuzz_pclxl SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pclxl.cpp LIBS pagellan_pcl)
