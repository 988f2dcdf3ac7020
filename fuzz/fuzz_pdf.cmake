# The PDF device on arbitrary PCL: split, drawn page by page, finished.
pagellan_add_fuzzer(fuzz_pdf SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pdf.cpp LIBS pagellan_pcl)
