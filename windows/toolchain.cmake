# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads,
# which std::thread and Qt need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR ${TOOLCHAIN_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TOOLCHAIN_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")
# The libraries built for Windows live in one prefix (MEHRSAN_WIN_PREFIX);
# nothing is taken from the Linux system's folders.
if(DEFINED ENV{MEHRSAN_WIN_PREFIX})
  set(MEHRSAN_WIN_PREFIX $ENV{MEHRSAN_WIN_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX} ${MEHRSAN_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# ctest runs the Windows test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
