# The Quodex reader and writer on arbitrary bytes.
pagellan_add_fuzzer(fuzz_quodex SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_quodex.cpp LIBS pagellan_docset)
