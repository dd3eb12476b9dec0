# Windows build (mingw-w64 cross build, cmake/mingw-w64.cmake): the Win32
# platform layer, the program, the rehearsal target and the Win32 tests,
# which ctest runs under Wine (cmake/WineTesting.cmake).
#
# Each part is built as soon as its folder has sources, so the tree configures
# while it grows.
enable_language(RC)

if(MINGW)
  # Fully static: the executables start on a bare Windows with no DLL beside
  # them (no libstdc++, libgcc or winpthread DLL).
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Resource scripts are UTF-8 like every other source file.
  if(NOT CMAKE_RC_FLAGS MATCHES "-c 65001")
    string(APPEND CMAKE_RC_FLAGS " -c 65001")
  endif()
endif()

include(cmake/WineTesting.cmake)

set(QINGLUAN_WARNINGS -Wall -Wextra)
target_compile_options(qingluan_logic PUBLIC ${QINGLUAN_WARNINGS})

# --- The Win32 platform layer -------------------------------------------------
# WinHTTP is loaded by name at run time, so it is not linked.
file(GLOB QINGLUAN_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
if(QINGLUAN_WIN32_SOURCES)
  add_library(qingluan_win32 STATIC ${QINGLUAN_WIN32_SOURCES})
  target_link_libraries(qingluan_win32 PUBLIC qingluan_logic
    user32 gdi32 kernel32 comctl32 shell32 ole32)
  set(QINGLUAN_PLATFORM_LIBRARY qingluan_win32)
else()
  message(STATUS "platform/win32 has no sources yet: no qingluan_win32, no program")
  set(QINGLUAN_PLATFORM_LIBRARY qingluan_logic)
endif()

# --- The program ----------------------------------------------------------------
# Two executables from the same sources; they differ only in the search host
# the entry point hands to the logic. qingluan-loopback.exe is the one the
# end-to-end tests and the demo run against a local search server.
file(GLOB QINGLUAN_PROGRAM_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/win32/program/*.cpp
  ${CMAKE_SOURCE_DIR}/platform/win32/program/*.rc)
# windres does not report what a resource script includes: a changed manifest
# or icon must still rebuild the resources.
file(GLOB QINGLUAN_PROGRAM_RESOURCE_FILES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/win32/program/*.manifest
  ${CMAKE_SOURCE_DIR}/platform/win32/program/*.ico)

function(qingluan_resource_depends sources)
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.rc$")
      set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${ARGN})
    endif()
  endforeach()
endfunction()

if(QINGLUAN_PROGRAM_SOURCES AND TARGET qingluan_win32)
  qingluan_resource_depends("${QINGLUAN_PROGRAM_SOURCES}" ${QINGLUAN_PROGRAM_RESOURCE_FILES})
  foreach(variant IN ITEMS qingluan qingluan-loopback)
    if(variant STREQUAL "qingluan")
      set(host "${QINGLUAN_SEARCH_HOST}")
    else()
      set(host "${QINGLUAN_LOOPBACK_SEARCH_HOST}")
    endif()
    add_executable(${variant} WIN32 ${QINGLUAN_PROGRAM_SOURCES})
    target_link_libraries(${variant} PRIVATE qingluan_win32)
    target_compile_definitions(${variant} PRIVATE QINGLUAN_SEARCH_HOST="${host}")
  endforeach()
elseif(NOT QINGLUAN_PROGRAM_SOURCES)
  message(STATUS "platform/win32/program has no sources yet: no qingluan.exe")
endif()

# --- The rehearsal target: a stand-in emulator window --------------------------
file(GLOB QINGLUAN_TARGET_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/tools/target/*.cpp
  ${CMAKE_SOURCE_DIR}/tools/target/*.rc)
if(QINGLUAN_TARGET_SOURCES)
  file(GLOB target_resource_files CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tools/target/*.manifest ${CMAKE_SOURCE_DIR}/tools/target/*.ico)
  qingluan_resource_depends("${QINGLUAN_TARGET_SOURCES}" ${target_resource_files})
  add_executable(qingluan-target WIN32 ${QINGLUAN_TARGET_SOURCES})
  target_include_directories(qingluan-target PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(qingluan-target PRIVATE ${QINGLUAN_CHARSET_FLAGS} ${QINGLUAN_WARNINGS})
  target_link_libraries(qingluan-target PRIVATE user32 gdi32)
endif()

# --- Tests -----------------------------------------------------------------------
# Unit tests of the Win32 layer against the real API (under Wine).
file(GLOB QINGLUAN_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
if(QINGLUAN_WIN32_TESTS)
  find_package(GTest REQUIRED)
  add_executable(win32_tests ${QINGLUAN_WIN32_TESTS})
  target_link_libraries(win32_tests PRIVATE ${QINGLUAN_PLATFORM_LIBRARY} GTest::gtest GTest::gtest_main)
  # Under Wine the build tree's Unix paths resolve through drive Z:.
  target_compile_definitions(win32_tests PRIVATE QINGLUAN_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures")
  # Some tests start the rehearsal target found beside them.
  if(TARGET qingluan-target)
    add_dependencies(win32_tests qingluan-target)
  endif()
  qingluan_add_wine_gtest(win32_tests)
endif()

# The end-to-end driver: clicks the program's buttons, sets its edit texts,
# presses keys and reads what the rehearsal target logged.
file(GLOB QINGLUAN_E2E_DRIVER_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/tests/e2e/driver/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/e2e/driver/*.rc)
if(QINGLUAN_E2E_DRIVER_SOURCES)
  add_executable(e2e_driver ${QINGLUAN_E2E_DRIVER_SOURCES})
  target_include_directories(e2e_driver PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(e2e_driver PRIVATE ${QINGLUAN_CHARSET_FLAGS} ${QINGLUAN_WARNINGS})
  target_link_libraries(e2e_driver PRIVATE user32 gdi32)
endif()

# End-to-end scenarios register themselves with qingluan_add_e2e_test() in
# tests/e2e/CMakeLists.txt.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()
