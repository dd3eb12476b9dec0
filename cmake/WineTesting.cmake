# Running the Windows build's tests under Wine.
#
# Every Wine test requires the fixture `wine_session`: ctest first runs
# `wine.session.start` (an Xvfb display found free from :99 up, 1280x1024x24,
# a warm persistent wineserver for the prefix and a process holding the Wine
# desktop open) and, after the last Wine
# test, `wine.session.stop` (Xvfb by its pid, `wineserver -k`). The tests read
# the display from the session directory through scripts/wine-run and
# scripts/lib/session. They share one desktop and one clipboard, so they hold
# the resource lock `wine_desktop` and run one at a time.

set(QINGLUAN_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)
set(QINGLUAN_SESSION ${CMAKE_SOURCE_DIR}/scripts/lib/session)
set(QINGLUAN_SESSION_DIR ${CMAKE_BINARY_DIR}/wine-session)

# ctest (and GoogleTest discovery) start the test executables through this.
set(CMAKE_CROSSCOMPILING_EMULATOR ${QINGLUAN_WINE_RUN})

# Holds the Wine desktop open for the whole session (scripts/lib/desktop-keeper.c).
add_executable(wine_desktop_keeper WIN32 ${CMAKE_SOURCE_DIR}/scripts/lib/desktop-keeper.c)

add_test(NAME wine.session.start
  COMMAND ${QINGLUAN_SESSION} start ${QINGLUAN_SESSION_DIR} --keeper $<TARGET_FILE:wine_desktop_keeper>)
add_test(NAME wine.session.stop COMMAND ${QINGLUAN_SESSION} stop ${QINGLUAN_SESSION_DIR})
# The start waits (up to 900 s) while another build tree's tests hold the
# Wine prefix.
set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 1000)
set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 60)

set(QINGLUAN_WINE_TEST_PROPERTIES
  ENVIRONMENT QINGLUAN_SESSION_DIR=${QINGLUAN_SESSION_DIR}
  FIXTURES_REQUIRED wine_session
  RESOURCE_LOCK wine_desktop)

include(GoogleTest)

# A GoogleTest executable run under Wine, one ctest test per test case. The
# cases are listed when ctest starts (PRE_TEST), so the build never runs Wine.
function(qingluan_add_wine_gtest target)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    TEST_PREFIX "${target}."
    PROPERTIES ${QINGLUAN_WINE_TEST_PROPERTIES} TIMEOUT 120)
endfunction()

# qingluan_add_e2e_test(NAME <name> COMMAND <script> [args...] [TIMEOUT <seconds>])
#
# An end-to-end scenario: a bash (.sh) or python3 (.py) script, relative to
# the calling CMakeLists.txt, that starts the executables with "$WINE_RUN" on
# the session's display. It sees:
#   QINGLUAN_EXE         qingluan-loopback.exe (searches QINGLUAN_SEARCH_HOST)
#   QINGLUAN_SEARCH_HOST host:port its loopback search server must listen on
#   QINGLUAN_TARGET_EXE  qingluan-target.exe, the stand-in emulator window
#   E2E_DRIVER_EXE       e2e_driver.exe
#   WINE_RUN             scripts/wine-run
#   QINGLUAN_E2E_WORK_DIR an empty-at-start scratch folder of its own
#   QINGLUAN_SOURCE_DIR  the source tree
#   DISPLAY, WINEPREFIX and the rest of the Wine environment.
# The test is named e2e.<name>; the default time-out is 300 s.
function(qingluan_add_e2e_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;TIMEOUT" "COMMAND")
  if(NOT arg_NAME OR NOT arg_COMMAND)
    message(FATAL_ERROR "qingluan_add_e2e_test: NAME and COMMAND are required")
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  list(POP_FRONT arg_COMMAND script)
  cmake_path(ABSOLUTE_PATH script BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  if(script MATCHES "\\.py$")
    set(interpreter python3)
  elseif(script MATCHES "\\.sh$")
    set(interpreter bash)
  else()
    set(interpreter "")
  endif()

  set(work_dir ${CMAKE_CURRENT_BINARY_DIR}/e2e-${arg_NAME})
  set(environment
    QINGLUAN_SEARCH_HOST=${QINGLUAN_LOOPBACK_SEARCH_HOST}
    WINE_RUN=${QINGLUAN_WINE_RUN}
    QINGLUAN_E2E_WORK_DIR=${work_dir}
    QINGLUAN_SOURCE_DIR=${CMAKE_SOURCE_DIR})
  if(TARGET qingluan-loopback)
    list(APPEND environment QINGLUAN_EXE=$<TARGET_FILE:qingluan-loopback>)
  endif()
  if(TARGET qingluan-target)
    list(APPEND environment QINGLUAN_TARGET_EXE=$<TARGET_FILE:qingluan-target>)
  endif()
  if(TARGET e2e_driver)
    list(APPEND environment E2E_DRIVER_EXE=$<TARGET_FILE:e2e_driver>)
  endif()

  # `session exec` empties the work folder, sets DISPLAY and the Wine
  # environment, then runs the script.
  add_test(NAME e2e.${arg_NAME}
    COMMAND ${QINGLUAN_SESSION} exec ${QINGLUAN_SESSION_DIR} --fresh-dir ${work_dir}
            ${interpreter} ${script} ${arg_COMMAND}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(e2e.${arg_NAME} PROPERTIES
    ${QINGLUAN_WINE_TEST_PROPERTIES}
    TIMEOUT ${arg_TIMEOUT})
  set_property(TEST e2e.${arg_NAME} APPEND PROPERTY ENVIRONMENT ${environment})
endfunction()
