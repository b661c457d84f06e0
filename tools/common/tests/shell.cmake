# Included by tools/CMakeLists.txt once every tool DLL is defined.
# The tools as the namespace loads them: registration rows, the tree's
# containers made visible by the tools' class keys, the item menu of one,
# several and mixed objects, load priorities, the verb rule and help texts.
set(_tools_shell_depends OrrelShell HalvetDirClient HalvetSpaceLib)
foreach(dll OrrelCsvWriter OrrelMailLink OrrelWebPage OrrelMapiMail OrrelMessenger)
  if(TARGET ${dll})
    list(APPEND _tools_shell_depends ${dll})
  endif()
endforeach()
orrel_add_test(tools_shell_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tools_shell_tests.cpp ${ORREL_TOOL_TEST_SUPPORT}
  LIBS orrel_launcher_lib ${ORREL_TOOL_TEST_LIBS}
  DEPENDS ${_tools_shell_depends}
  TIMEOUT 300)
