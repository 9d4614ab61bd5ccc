# Cross build of the 32-bit Windows DLLs with mingw-w64.
# The posix-threads flavour gives the standard library its thread types; the
# DLLs link it statically, so no MinGW runtime DLL is imported.
# mingw-x86_64.cmake reuses it for the 64-bit probe build.
if(NOT MINGW_ARCH)
  set(MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})

set(MINGW_PREFIX ${MINGW_ARCH}-w64-mingw32)
set(MINGW_FLAVOUR posix CACHE STRING "mingw-w64 thread model suffix (posix or win32)")

set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-${MINGW_FLAVOUR})
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-${MINGW_FLAVOUR})
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
