// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the module on Windows as hosts do: LoadLibraryW, then InitDll when the module has it;
// ExitDll, then FreeLibrary. Paths are UTF-8 here and wide at the system.
#include "TestHost.h"

#include <windows.h>

namespace Ryvel::TestHost
{
namespace
{

std::wstring widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        wide.data(), length);
    return wide;
}

HMODULE asModule(void* handle)
{
    return static_cast<HMODULE>(handle);
}

} // namespace

std::string moduleFileInBundle(const std::string& bundleDir)
{
    return bundleDir + "/Contents/x86_64-win/Ryvel.vst3";
}

PluginModule::PluginModule(const std::string& soPath)
{
    const std::wstring path = widen(soPath);
    handle = path.empty() ? nullptr : LoadLibraryW(path.c_str());
    if (handle == nullptr)
    {
        loadError = "LoadLibraryW failed with error " + std::to_string(GetLastError());
        return;
    }
    using InitProc = bool (*)();
    if (auto init = reinterpret_cast<InitProc>(symbol("InitDll")); init != nullptr && !init())
    {
        loadError = "InitDll failed";
        FreeLibrary(asModule(handle));
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
    if (auto exitProc = reinterpret_cast<ExitProc>(symbol("ExitDll")); entered && exitProc)
        exitProc();
    FreeLibrary(asModule(handle));
}

void* PluginModule::symbol(const char* name) const
{
    return handle != nullptr ? reinterpret_cast<void*>(GetProcAddress(asModule(handle), name))
                             : nullptr;
}

} // namespace Ryvel::TestHost
