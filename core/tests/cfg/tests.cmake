list(APPEND CORVANE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/graph_and_tree_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/structure_test.cc
)
