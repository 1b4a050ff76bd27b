set(LAYER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/signatures.cc
)
