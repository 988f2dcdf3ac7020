# The WebDocs reply evaluation and the version list of updates on arbitrary bytes.
pagellan_add_fuzzer(fuzz_web_replies SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_web_replies.cpp LIBS pagellan_web)
