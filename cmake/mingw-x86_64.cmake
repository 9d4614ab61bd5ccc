# Cross build of the 64-bit Windows build (CPU probe only; the deliverables are 32-bit) with mingw-w64.
# The posix-threads flavour gives the standard library its thread types; the
# DLLs link it statically, so no MinGW runtime DLL is imported.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
set(MINGW_FLAVOUR posix CACHE STRING "mingw-w64 thread model suffix (posix or win32)")

set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-${MINGW_FLAVOUR})
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-${MINGW_FLAVOUR})
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
