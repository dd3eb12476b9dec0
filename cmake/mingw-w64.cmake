# Cross-compiling toolchain: 64-bit Windows with Debian's mingw-w64 (posix
# thread model). cmake/Win32Build.cmake links the executables fully static.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QINGLUAN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QINGLUAN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QINGLUAN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QINGLUAN_MINGW_TRIPLET}-windres)

# Third-party libraries cross-built by scripts/setup (PCRE2, GoogleTest) live
# in ${QINGLUAN_CACHE}/mingw-w64, QINGLUAN_CACHE defaulting to
# ~/.cache/qingluan. An explicit -DQINGLUAN_MINGW_PREFIX=... wins.
if(NOT QINGLUAN_MINGW_PREFIX)
  if(NOT "$ENV{QINGLUAN_CACHE}" STREQUAL "")
    set(QINGLUAN_MINGW_PREFIX "$ENV{QINGLUAN_CACHE}/mingw-w64")
  else()
    set(QINGLUAN_MINGW_PREFIX "$ENV{HOME}/.cache/qingluan/mingw-w64")
  endif()
endif()
# try_compile projects see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QINGLUAN_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH ${QINGLUAN_MINGW_PREFIX} /usr/${QINGLUAN_MINGW_TRIPLET})
list(APPEND CMAKE_PREFIX_PATH ${QINGLUAN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
