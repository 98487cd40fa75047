# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling the Windows edition (x86-64) on Debian with mingw-w64.
#
# The posix thread model: the win32 variant of Debian's GCC has no std::thread, std::mutex or
# std::condition_variable, which the toolkit and the update checker need.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RYVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RYVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RYVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RYVEL_MINGW_TRIPLE}-windres)

# Libraries and headers for the target only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${RYVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run through Wine (CTest and gtest_discover_tests use this).
find_program(RYVEL_WINE NAMES wine64 wine)
if(RYVEL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${RYVEL_WINE})
endif()

# Everything links the C and C++ runtimes and winpthreads in: the module then needs no DLL but
# Windows' own, and test programs run under Wine without a search path for mingw's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
