// SPDX-License-Identifier: GPL-3.0-or-later
// bundleResourcesFolder on Windows: the module that holds this code, found by address, then as
// on the other platforms (Ryvel.vst3\Contents\x86_64-win\Ryvel.vst3 -> Contents\Resources).
#include "platform/BundleLocation.h"

#include "platform/windows/WideText.h"

#include <windows.h>

namespace Ryvel
{
namespace
{

std::wstring moduleFileName()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&bundleResourcesFolder), &module))
        return {};
    // Long paths: grow until the name fits (the call truncates silently otherwise).
    std::wstring name(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 6; ++attempt)
    {
        const DWORD length =
            GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size())
        {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 4);
    }
    return {};
}

std::wstring parentOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string bundleResourcesFolder()
{
    const std::wstring folder = parentOf(moduleFileName());
    if (folder.empty())
        return {};
    if (isFolder(folder + L"\\Resources"))
        return narrowToUtf8(folder + L"\\Resources");
    const std::wstring contents = parentOf(folder);
    return contents.empty() ? std::string() : narrowToUtf8(contents + L"\\Resources");
}

} // namespace Ryvel
