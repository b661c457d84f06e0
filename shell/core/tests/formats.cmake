# Item records, identifier lists, the "Orrel::Object" block and the class
# handler registry.
orrel_add_test(core_format_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/format_record_tests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/format_itemid_tests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/format_idlist_tests.cpp
  LIBS orrel_core)

orrel_add_test(core_classhandler_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/classhandler_tests.cpp
  LIBS orrel_core)
