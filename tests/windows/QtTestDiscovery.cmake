# quorvel_discover_qt_tests(TARGET [XVFB] [TIMEOUT seconds])
#
# Registers every test function of a Qt Test program as a CTest test of its own, named
# <TARGET>.<function> and run in a process of its own, so that a failing function shows up by
# name and no function can leave state behind for the next. The functions are listed after each
# build by running the program with -functions. The tests run on Qt's offscreen platform, or,
# with XVFB, on a private X server (needed where real X input is involved).
set(QUORVEL_QT_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

function(quorvel_discover_qt_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "XVFB" "TIMEOUT" "")
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_functions.cmake)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
            -D TEST_PROGRAM=$<TARGET_FILE:${target}>
            -D TEST_PREFIX=${target}
            -D TEST_XVFB=${arg_XVFB}
            -D TEST_TIMEOUT=${arg_TIMEOUT}
            -D TEST_DISPLAY_WRAPPER=${PROJECT_SOURCE_DIR}/scripts/with-display
            -D CTEST_FILE=${ctest_file}
            -P ${QUORVEL_QT_TEST_DIR}/discover_qt_tests.cmake
    VERBATIM)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${ctest_file})
endfunction()
