# Shared build settings: warnings for our own targets, one helper to register a test area, and
# the Wine prefix that the tests of the Windows build run in.

function(transvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  # GCC 12 reports std::string appends inlined at -O2 as overlapping copies (GCC bug 105329):
  # a false positive in the standard library's own code, not in ours.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# transvane_add_test(NAME <exe> LABELS <labels...> SOURCES <files...> LIBS <libs...>)
# Builds one GoogleTest executable and registers each of its tests with ctest under the labels
# (under Wine, the whole program as one test).
function(transvane_add_test)
  cmake_parse_arguments(T "" "NAME" "LABELS;SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT T_SOURCES)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  transvane_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE TRANSVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(TRANSVANE_WINE_TESTS)
    # Under Wine the program is one ctest test: listing its tests would start Wine while ctest
    # reads the test list, before the run's prefix exists, and each start of Wine costs time.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    list(APPEND T_ENVIRONMENT WINEPREFIX=${TRANSVANE_WINE_PREFIX})
    set_tests_properties(${T_NAME} PROPERTIES
      LABELS "${T_LABELS}" ENVIRONMENT "${T_ENVIRONMENT}" FIXTURES_REQUIRED wine_prefix)
  else()
    gtest_discover_tests(${T_NAME}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# The tests of the Windows build run under Wine (the toolchain's CMAKE_CROSSCOMPILING_EMULATOR,
# scripts/wine-run) in one prefix per test run: made before the first test that needs it and
# removed after the last, so that no run sees what an earlier one left behind.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(TRANSVANE_WINE_TESTS ON)
endif()
set(TRANSVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
function(transvane_wine_prefix_fixture)
  set(wine_run ${PROJECT_SOURCE_DIR}/scripts/wine-run)
  add_test(NAME wine_prefix_create COMMAND ${wine_run} --create ${TRANSVANE_WINE_PREFIX})
  add_test(NAME wine_prefix_remove COMMAND ${wine_run} --remove ${TRANSVANE_WINE_PREFIX})
  set_tests_properties(wine_prefix_create PROPERTIES FIXTURES_SETUP wine_prefix)
  set_tests_properties(wine_prefix_remove PROPERTIES FIXTURES_CLEANUP wine_prefix)
endfunction()
