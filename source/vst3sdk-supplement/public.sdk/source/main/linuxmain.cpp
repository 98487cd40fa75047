// SPDX-License-Identifier: GPL-3.0-or-later
// Linux module entry points. A host calls ModuleEntry once after dlopen and ModuleExit once
// before dlclose; nested loads of the same module are counted so that only the outermost pair
// initialises and tears down.

#include "pluginterfaces/base/fplatform.h"

#include <atomic>

void* moduleHandle = nullptr;

namespace
{
std::atomic<int> moduleCounter{0};
}

// The plug-in may hook its own work into load and unload; the defaults do nothing.
bool InitModule();
bool DeinitModule();

extern "C"
{
    SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
    SMTG_EXPORT_SYMBOL bool ModuleExit();

    bool ModuleEntry(void* sharedLibraryHandle)
    {
        if (moduleCounter.fetch_add(1) > 0)
            return true;
        moduleHandle = sharedLibraryHandle;
        return InitModule();
    }

    bool ModuleExit()
    {
        const int previous = moduleCounter.fetch_sub(1);
        if (previous > 1)
            return true;
        if (previous < 1)
        {
            moduleCounter.store(0);
            return false;
        }
        moduleHandle = nullptr;
        return DeinitModule();
    }
}
