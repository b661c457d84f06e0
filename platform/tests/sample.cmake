# The shipped sample directory through HalvetDirClient.
orrel_add_test(sample_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sample_directory_tests.cpp
  LIBS HalvetDirClient halvet_client_headers)
