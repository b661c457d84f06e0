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
