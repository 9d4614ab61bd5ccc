# The 64-bit probe build that scripts/bench-wine-cpu.sh runs under a native
# Wine; what ships is the 32-bit build of mingw-i686.cmake.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
