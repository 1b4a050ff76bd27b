list(APPEND CORVANE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/error_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/classical_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/phi_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/lowering_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/value_table_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/golden_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/agreement_test.cc
)
