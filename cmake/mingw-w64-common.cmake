# What both MinGW-w64 toolchain files share: the POSIX-thread variant of the
# compilers named by VELKARIN_MINGW_PREFIX, and libraries and headers only
# from that target's tree. Included by mingw-w64-x86_64.cmake and
# mingw-w64-i686.cmake after they set the prefix.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VELKARIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKARIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELKARIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELKARIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
