# The Tesselon reader and writer on arbitrary bytes.
pagellan_add_fuzzer(fuzz_tesselon SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_tesselon.cpp LIBS pagellan_docset)
