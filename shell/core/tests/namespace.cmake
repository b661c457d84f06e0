# The namespace as the shell reaches it (OrrelShell.dll registered by the
# test, bound from Wine's desktop folder), and the model and configuration
# operations driven directly.
orrel_add_test(namespace_shell_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/namespace_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/namespace_shell_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/namespace_server_tests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/namespace_browse_tests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/namespace_config_shell_tests.cpp
  LIBS orrel_common shell32 shlwapi ole32 uuid
  DEPENDS OrrelShell HalvetDirClient HalvetCallClient HalvetConnClient HalvetLocaleClient
  TIMEOUT 600)

orrel_add_test(namespace_model_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/namespace_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/namespace_model_tests.cpp
  LIBS orrel_core HalvetDirClient HalvetCallClient HalvetConnClient HalvetLocaleClient
       shell32 shlwapi)
