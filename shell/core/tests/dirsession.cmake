# The directory access layer against the stand-in directory client
# libraries, with images the tests write themselves.
orrel_add_test(dirsession_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dirsession_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dirsession_session_tests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dirsession_listing_tests.cpp
  LIBS orrel_core advapi32
  DEPENDS HalvetDirClient HalvetCallClient HalvetConnClient HalvetLocaleClient
  TIMEOUT 300)

# Listing benchmark (not a ctest test): prints how long ListChildren takes
# over one container of 10,000 objects. Run it under Wine:
#   scripts/wine-run.sh <build>/bin/dirsession_bench.exe [objects] [runs]
add_executable(dirsession_bench
  ${CMAKE_CURRENT_LIST_DIR}/dirsession_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dirsession_bench.cpp)
target_link_libraries(dirsession_bench PRIVATE orrel_core advapi32)
