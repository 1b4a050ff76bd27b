list(APPEND CORVANE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/profile_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/builders_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/controlled_test.cc
)
