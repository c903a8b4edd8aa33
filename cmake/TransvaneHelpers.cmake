# Shared build settings: warnings for our own targets and one helper to register a test area.

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
# Builds one GoogleTest executable and registers each of its tests with ctest under the labels.
function(transvane_add_test)
  cmake_parse_arguments(T "" "NAME" "LABELS;SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT T_SOURCES)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  transvane_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE TRANSVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${T_ENVIRONMENT}")
endfunction()
