list(APPEND CORVANE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/parser_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/module_parser_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/streaming_parser_test.cc
)
