set(LAYER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/block_graph.cc
  ${CMAKE_CURRENT_LIST_DIR}/cfg.cc
  ${CMAKE_CURRENT_LIST_DIR}/id_set.cc
  ${CMAKE_CURRENT_LIST_DIR}/statement_tree.cc
  ${CMAKE_CURRENT_LIST_DIR}/structure.cc
)
