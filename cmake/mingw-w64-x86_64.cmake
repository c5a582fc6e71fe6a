# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# posix thread model, which std::thread and GoogleTest need). The programs link their C and C++
# runtimes statically, so a Windows PC runs the .exe without MinGW's DLLs. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSALY_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSALY_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSALY_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSALY_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSALY_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the test programs through Wine's 64-bit loader.
find_program(TESSALY_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TESSALY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSALY_WINE})
endif()
