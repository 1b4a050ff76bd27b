list(APPEND CORVANE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/printer_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/compact_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/evaluate_test.cc
)
