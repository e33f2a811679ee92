# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit Windows with Debian's MinGW-w64. The posix-thread
# compilers: std::thread, std::mutex and std::condition_variable need them
# (the win32-thread ones have none of the three in libstdc++).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVARA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELVARA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVARA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVARA_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KELVARA_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KELVARA_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the cross tree and from the prefixes named
# in CMAKE_PREFIX_PATH (the cross-built dependencies); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KELVARA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# ctest runs the cross-built test programs through Wine.
find_program(KELVARA_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KELVARA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVARA_WINE64})
endif()
