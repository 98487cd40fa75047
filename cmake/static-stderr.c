// SPDX-License-Identifier: GPL-3.0-or-later
// libc's stderr for the static image libraries inside a plug-in binary (see
// RyvelPluginBinary.cmake): their references to `stderr` land on __wrap_stderr, a hidden copy
// made when the binary is loaded, and this file reaches the real one through the global offset
// table as __real_stderr. Only those libraries' default message printers use it.

#include <stdio.h>

extern FILE* __real_stderr;
__attribute__((visibility("hidden"))) FILE* __wrap_stderr;

__attribute__((constructor)) static void copyStderr(void)
{
    __wrap_stderr = __real_stderr;
}
