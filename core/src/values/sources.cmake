set(LAYER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lowering_context.cc
  ${CMAKE_CURRENT_LIST_DIR}/int_range.cc
  ${CMAKE_CURRENT_LIST_DIR}/state_tracking.cc
)
