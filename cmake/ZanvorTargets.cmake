# zanvor_library(NAME DEPS ...): the library zanvor_NAME from every .cpp in the folder NAME.
# A folder without sources yet gives an interface library, so the dependency graph stays fixed.
function(zanvor_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
  if(sources)
    add_library(zanvor_${name} STATIC ${sources})
    target_include_directories(zanvor_${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(zanvor_${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(zanvor_${name} INTERFACE)
    target_include_directories(zanvor_${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(zanvor_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# zanvor_test_suite(NAME DEPS ... [LABELS label]): one GoogleTest program NAME_tests from
# tests/NAME/*.cpp, its tests labelled core, gui or stress. A suite is registered only once it
# has tests: an empty folder stops the configure step instead of leaving a suite that passes
# without running anything.
#
# Every test gets a time-out so a hung test fails on its own instead of holding CI for ctest's
# 1500 s default: 60 s for core tests, 300 s for the gui and stress labels (a GUI test that fails
# with a modal dialog open, the worker and store hammered from several threads). Sanitizer builds
# run several times slower, so their limits are three times longer.
set(ZANVOR_TEST_TIMEOUT 60 CACHE STRING "Per-test time-out in seconds for core tests")
set(ZANVOR_TEST_TIMEOUT_LONG 300 CACHE STRING "Per-test time-out in seconds for gui and stress tests")
function(zanvor_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "Test suite '${name}' has no sources in ${CMAKE_CURRENT_SOURCE_DIR}/${name}; "
                        "register it once it has tests.")
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE ${ARG_DEPS} zanvor_testsupport GTest::gmock GTest::gtest_main)
  if(NOT ARG_LABELS)
    set(ARG_LABELS core)
  endif()
  # Line tables are all a failing test's stack trace needs; full debug information of the test
  # programs (never installed) only slows every build down. The test code itself is compiled
  # without optimisation (the code under test keeps the tree's flags): optimising the expanded
  # assertion macros took about 40 % of each test file's compile time and bought nothing. The
  # stress suites keep the tree's optimisation, since their own loops are the load they make.
  target_compile_options(${name}_tests PRIVATE -g1)
  if(NOT "stress" IN_LIST ARG_LABELS)
    target_compile_options(${name}_tests PRIVATE -O0)
  endif()
  add_dependencies(${name}_tests stage_data)
  list(LENGTH ARG_LABELS label_count)
  if(label_count GREATER 1)
    # The discovered tests' properties are one flat list: a second label would be read as a
    # property name.
    message(FATAL_ERROR "Test suite '${name}': give one label, not ${ARG_LABELS}")
  endif()
  set(timeout ${ZANVOR_TEST_TIMEOUT})
  if("gui" IN_LIST ARG_LABELS OR "stress" IN_LIST ARG_LABELS)
    set(timeout ${ZANVOR_TEST_TIMEOUT_LONG})
  endif()
  if(ZANVOR_SANITIZE)
    math(EXPR timeout "${timeout} * 3")
  endif()
  # Listing the tests runs the program once; on a loaded machine (or under a sanitizer) that
  # takes longer than GoogleTest's 5 s default for it.
  gtest_discover_tests(${name}_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${ZANVOR_BIN_DIR}
    PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${timeout})
endfunction()
