// SPDX-License-Identifier: GPL-3.0-or-later
// Windows module entry points. The loader calls DllMain; a host then calls InitDll once after
// LoadLibrary and ExitDll once before FreeLibrary. Nested loads of the same module are counted
// so that only the outermost pair initialises and tears down. Nothing but recording the handle
// happens in DllMain: the loader lock is held there.

#include "pluginterfaces/base/fplatform.h"

#include <windows.h>

#include <atomic>

void* moduleHandle = nullptr;
HINSTANCE ghInst = nullptr;

namespace
{
std::atomic<int> moduleCounter{0};
}

bool InitModule();
bool DeinitModule();

extern "C"
{
    SMTG_EXPORT_SYMBOL bool InitDll();
    SMTG_EXPORT_SYMBOL bool ExitDll();

    bool InitDll()
    {
        if (moduleCounter.fetch_add(1) > 0)
            return true;
        return InitModule();
    }

    bool ExitDll()
    {
        const int previous = moduleCounter.fetch_sub(1);
        if (previous > 1)
            return true;
        if (previous < 1)
        {
            moduleCounter.store(0);
            return false;
        }
        return DeinitModule();
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        ghInst = instance;
        moduleHandle = instance;
    }
    return TRUE;
}
