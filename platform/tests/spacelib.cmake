# The selection library through its exports.
orrel_add_test(spacelib_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/spacelib_selection_tests.cpp
          ${CMAKE_CURRENT_LIST_DIR}/spacelib_resource_tests.cpp
  LIBS HalvetSpaceLib orrel_core_pure orrel_common ole32)
