# The LDAP view of the sample directory in a real slapd on 127.0.0.1:389:
# export, load, anonymous searches as the search extension makes them, stop.
# A plain shell test (not under Wine). Every test that needs the LDAP server
# takes the resource lock orrel_slapd_389; slapd-run.sh also locks the port
# against other runs on the machine.
add_test(NAME ldap.sample_in_slapd
  COMMAND bash ${CMAKE_SOURCE_DIR}/platform/ldap/tests/ldap_sample_test.sh
          ${CMAKE_SOURCE_DIR}/platform/sample/orrel-sample-directory.json)
set_tests_properties(ldap.sample_in_slapd PROPERTIES TIMEOUT 300 RESOURCE_LOCK orrel_slapd_389)
