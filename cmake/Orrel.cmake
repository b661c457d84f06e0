# Helpers shared by every component.

# orrel_add_dll(<name> SOURCES ... [DEF file.def] [LIBS ...])
# An in-process server or stand-in library; lands in build/bin/<name>.dll.
function(orrel_add_dll name)
  cmake_parse_arguments(A "" "DEF" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${A_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  if(A_DEF)
    target_sources(${name} PRIVATE ${A_DEF})
  endif()
  target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()

# orrel_add_test(<name> SOURCES ... [LIBS ...] [DEPENDS targets...] [TIMEOUT s])
# A GoogleTest executable run under Wine by ctest (one ctest entry per executable).
function(orrel_add_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} orrel_test_main gmock gtest)
  target_compile_definitions(${name} PRIVATE ORREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(A_DEPENDS)
    add_dependencies(${name} ${A_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "ORREL_BUILD_DIR=${CMAKE_BINARY_DIR};ORREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
