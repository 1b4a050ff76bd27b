set(LAYER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/output_map.cc
)
