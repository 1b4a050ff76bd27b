set(LAYER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/profile.cc
  ${CMAKE_CURRENT_LIST_DIR}/builders.cc
  ${CMAKE_CURRENT_LIST_DIR}/controlled.cc
  ${CMAKE_CURRENT_LIST_DIR}/decompose.cc
  ${CMAKE_CURRENT_LIST_DIR}/registers.cc
)
