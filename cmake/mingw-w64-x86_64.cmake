# Cross-compiling velkarin.exe for 64-bit Windows with MinGW-w64 on Linux.
# The POSIX-thread variant is required: GoogleTest needs std::mutex, which the
# win32-thread variant of GCC 12 does not provide.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELKARIN_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Tests run under Wine through this wrapper (code page 1251, private prefix).
get_filename_component(_velkarin_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_velkarin_root}/scripts/wine-run")
