# Writes the CTest file of one Qt Test program; see QtTestDiscovery.cmake.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          ${TEST_PROGRAM} -functions
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TEST_PROGRAM} -functions failed (${status}):\n${errors}")
endif()

string(REGEX MATCHALL "[A-Za-z_][A-Za-z_0-9]*\\(\\)" functions "${listing}")
if(NOT functions)
  message(FATAL_ERROR "${TEST_PROGRAM} lists no test functions")
endif()

if(TEST_XVFB)
  set(platform xcb)
  set(launcher "[==[${TEST_DISPLAY_WRAPPER}]==] ")
else()
  set(platform offscreen)
  set(launcher "")
endif()

set(script "")
foreach(function IN LISTS functions)
  string(REPLACE "()" "" name "${function}")
  set(test "${TEST_PREFIX}.${name}")
  string(APPEND script
    "add_test([==[${test}]==] ${launcher}[==[${TEST_PROGRAM}]==] [==[${name}]==])\n"
    "set_tests_properties([==[${test}]==] PROPERTIES TIMEOUT ${TEST_TIMEOUT} "
    "ENVIRONMENT [==[QT_QPA_PLATFORM=${platform}]==])\n")
endforeach()
file(WRITE ${CTEST_FILE} "${script}")
