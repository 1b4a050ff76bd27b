list(APPEND CORVANE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/operand_debug_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/parser_util_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/operand_parser_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/instruction_parser_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/module_parser_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/plain_instruction_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/streaming_parser_test.cc
)
