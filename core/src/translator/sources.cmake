list(APPEND CORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/error.cc
  ${CMAKE_CURRENT_LIST_DIR}/error_place.cc
  ${CMAKE_CURRENT_LIST_DIR}/translate.cc
  ${CMAKE_CURRENT_LIST_DIR}/lowering.cc
  ${CMAKE_CURRENT_LIST_DIR}/inline.cc
  ${CMAKE_CURRENT_LIST_DIR}/classical.cc
  ${CMAKE_CURRENT_LIST_DIR}/int_range.cc
  ${CMAKE_CURRENT_LIST_DIR}/phi.cc
  ${CMAKE_CURRENT_LIST_DIR}/state_tracking.cc
  ${CMAKE_CURRENT_LIST_DIR}/memory_slots.cc
  ${CMAKE_CURRENT_LIST_DIR}/switch_chain.cc
  ${CMAKE_CURRENT_LIST_DIR}/angle_arith.cc
)
