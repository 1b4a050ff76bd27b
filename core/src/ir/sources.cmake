set(LAYER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/operand_debug.cc
  ${CMAKE_CURRENT_LIST_DIR}/parser_util.cc
  ${CMAKE_CURRENT_LIST_DIR}/operand_parser.cc
  ${CMAKE_CURRENT_LIST_DIR}/instruction_parser.cc
  ${CMAKE_CURRENT_LIST_DIR}/plain_instruction.cc
  ${CMAKE_CURRENT_LIST_DIR}/module_parser.cc
)
