# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread
# model, which std::thread needs): g++-mingw-w64-x86-64-posix. The programs
# and tests are linked statically, so that they run under Wine or on a
# Windows machine without any DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TORVAN_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TORVAN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVAN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVAN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TORVAN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The tests run under Wine when CTest starts them.
find_program(TORVAN_WINE NAMES wine64 wine)
if(TORVAN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVAN_WINE})
endif()
