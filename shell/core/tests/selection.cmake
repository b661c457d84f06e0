# The selection data object and the item UI object, with a handler server of
# their own that the tests register and COM loads.
orrel_add_dll(SelectionTestHandlers
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/servers/selection_handlers.cpp
  DEF ${CMAKE_CURRENT_SOURCE_DIR}/servers/selection_handlers.def
  LIBS orrel_core orrel_common)

orrel_add_test(selection_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/selection_dataobject_tests.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/selection_uiobject_tests.cpp
  LIBS orrel_core orrel_common
  DEPENDS SelectionTestHandlers)
target_include_directories(selection_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
