# The PCL interpreter without drawing: scanner, state, page splitting and re-emission.
pagellan_add_fuzzer(fuzz_pcl_parse SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pcl_parse.cpp LIBS pagellan_pcl)
# The PCL interpreter drawing its pages into small page bitmaps.
pagellan_add_fuzzer(fuzz_pcl_draw SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pcl_draw.cpp LIBS pagellan_pcl)
