# mingw-w64-x86_64.cmake -- CMake toolchain for 64-bit Windows programs built on Debian with MinGW-w64.
#
# The posix thread model of Debian's g++-mingw-w64-x86-64: the default win32 model has no
# std::mutex or std::thread. Programs run on Debian under wine64 (tests and generators).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLMOOR_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLMOOR_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLMOOR_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLMOOR_MINGW_HOST}-windres)
set(CMAKE_AR ${QUILLMOOR_MINGW_HOST}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUILLMOOR_MINGW_HOST}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${QUILLMOOR_MINGW_HOST}-strip CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${QUILLMOOR_MINGW_HOST}-objdump CACHE FILEPATH "")

# Libraries and headers come from the MinGW-w64 tree and the project's own Windows
# dependencies only, never from the build machine; programs (python3, sh) from the machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLMOOR_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
