set(LAYER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/program.cc
  ${CMAKE_CURRENT_LIST_DIR}/evaluate.cc
  ${CMAKE_CURRENT_LIST_DIR}/printer.cc
  ${CMAKE_CURRENT_LIST_DIR}/readable.cc
)
