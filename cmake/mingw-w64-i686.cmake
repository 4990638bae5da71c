# Cross-compiling velkarin.exe for 32-bit Windows with MinGW-w64 on Linux.
# Only the program is built with it: this machine's kernel runs no 32-bit
# programs, so neither can Wine, and the tests are run by the 64-bit build.
# The POSIX-thread variant, as for 64 bits, so both builds use one runtime.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VELKARIN_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
