# The -m32 native build with clang, for the libFuzzer targets.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/linux-i686.cmake)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
