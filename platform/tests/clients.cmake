# The directory client stand-ins through their exports, over images the tests
# write; a second process (clients_writer) shares the image.
add_executable(clients_writer ${CMAKE_CURRENT_LIST_DIR}/clients_writer.cpp)
target_link_libraries(clients_writer PRIVATE HalvetDirClient halvet_client_headers)

orrel_add_test(halvet_client_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/clients_support.cpp
          ${CMAKE_CURRENT_LIST_DIR}/clients_read_tests.cpp
          ${CMAKE_CURRENT_LIST_DIR}/clients_modify_tests.cpp
          ${CMAKE_CURRENT_LIST_DIR}/clients_conn_tests.cpp
          ${CMAKE_CURRENT_LIST_DIR}/clients_process_tests.cpp
          ${CMAKE_CURRENT_LIST_DIR}/clients_location_tests.cpp
  LIBS HalvetDirClient HalvetConnClient HalvetCallClient HalvetLocaleClient halvet_client_headers
       advapi32 shell32
  DEPENDS clients_writer
  TIMEOUT 600)

# The tests that run on every source, once more with the tree served by slapd
# on 127.0.0.1:389: each test has the server loaded afresh with its image.
add_test(NAME halvet_client_tests_on_ldap
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ldap_reloading_server.sh ${CMAKE_SOURCE_DIR}
          $<TARGET_FILE:halvet_client_tests> --gtest_filter=*/Ldap)
set_tests_properties(halvet_client_tests_on_ldap PROPERTIES TIMEOUT 600 RESOURCE_LOCK orrel_slapd_389
  ENVIRONMENT "ORREL_BUILD_DIR=${CMAKE_BINARY_DIR};ORREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")

# The same behaviour of the sample directory served from its image and live
# by slapd on 127.0.0.1:389 (loaded by slapd-run.sh, which holds the port's
# lock for the run).
add_executable(halvet_client_ldap_tests
  ${CMAKE_CURRENT_LIST_DIR}/clients_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clients_ldap_tests.cpp)
target_link_libraries(halvet_client_ldap_tests PRIVATE HalvetDirClient HalvetConnClient HalvetCallClient
  HalvetLocaleClient halvet_client_headers advapi32 shell32 wldap32 orrel_test_main gmock gtest)
target_compile_definitions(halvet_client_ldap_tests PRIVATE ORREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(halvet_client_ldap_tests clients_writer)
add_test(NAME halvet_client_ldap_tests
  COMMAND bash ${CMAKE_SOURCE_DIR}/platform/ldap/slapd-run.sh
          ${CMAKE_SOURCE_DIR}/platform/sample/orrel-sample-directory.json ORREL_TREE --
          ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:halvet_client_ldap_tests> --gtest_color=no)
set_tests_properties(halvet_client_ldap_tests PROPERTIES TIMEOUT 600 RESOURCE_LOCK orrel_slapd_389
  ENVIRONMENT "ORREL_BUILD_DIR=${CMAKE_BINARY_DIR};ORREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
add_test(NAME halvet_client_ldap_stopped_server
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ldap_stopped_server.sh ${CMAKE_SOURCE_DIR}
          $<TARGET_FILE:halvet_client_ldap_tests>)
set_tests_properties(halvet_client_ldap_stopped_server PROPERTIES TIMEOUT 600 RESOURCE_LOCK orrel_slapd_389
  ENVIRONMENT "ORREL_BUILD_DIR=${CMAKE_BINARY_DIR};ORREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")

# The mapping between directory names and LDAP (pure code).
orrel_add_test(ldapmap_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ldapmap_tests.cpp
  LIBS orrel_ldapmap_pure halvet_client_headers)
