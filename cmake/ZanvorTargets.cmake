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

# zanvor_test_suite(NAME DEPS ...): one GoogleTest program NAME_tests from tests/NAME/*.cpp.
function(zanvor_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE ${ARG_DEPS} zanvor_testsupport GTest::gmock GTest::gtest_main)
  add_dependencies(${name}_tests stage_data)
  if(NOT ARG_LABELS)
    set(ARG_LABELS core)
  endif()
  gtest_discover_tests(${name}_tests
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${ZANVOR_BIN_DIR}
    PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
