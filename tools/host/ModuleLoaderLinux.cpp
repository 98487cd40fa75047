// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the module on Linux: dlopen, then ModuleEntry; ModuleExit, then dlclose.
#include "TestHost.h"

#include <dlfcn.h>

namespace Ryvel::TestHost
{

std::string moduleFileInBundle(const std::string& bundleDir)
{
    return bundleDir + "/Contents/x86_64-linux/Ryvel.so";
}

PluginModule::PluginModule(const std::string& soPath)
{
    handle = dlopen(soPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
    {
        const char* message = dlerror();
        loadError = message != nullptr ? message : "dlopen failed";
        return;
    }
    using EntryProc = bool (*)(void*);
    auto entry = reinterpret_cast<EntryProc>(symbol("ModuleEntry"));
    if (entry == nullptr || !entry(handle))
    {
        loadError = "ModuleEntry missing or failed";
        dlclose(handle);
        handle = nullptr;
        return;
    }
    entered = true;
}

PluginModule::~PluginModule()
{
    if (handle == nullptr)
        return;
    using ExitProc = bool (*)();
    if (auto exitProc = reinterpret_cast<ExitProc>(symbol("ModuleExit")); entered && exitProc)
        exitProc();
    dlclose(handle);
}

void* PluginModule::symbol(const char* name) const
{
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}

} // namespace Ryvel::TestHost
