# add_project_test(name SOURCES ... LIBS ... [GUI] [TIMEOUT s])
# One GoogleTest binary registered with ctest. GUI tests get a QApplication on the offscreen
# platform, the others a QCoreApplication; both mains come from tests/support.
function(add_project_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(ARG_GUI)
    set(main test_main_gui)
  else()
    set(main test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE project_options ${main} test_support ${ARG_LIBS}
      GTest::gtest GTest::gmock)
  set(env "VIGILO_BIN_DIR=${CMAKE_BINARY_DIR}/bin" "VIGILO_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
          "QT_QPA_PLATFORM=offscreen")
  gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 60
      DISCOVERY_MODE PRE_TEST
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
