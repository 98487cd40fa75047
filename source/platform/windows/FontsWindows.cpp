// SPDX-License-Identifier: GPL-3.0-or-later
// registerBundledFontsMac on Windows: each bundled font file becomes a private font of this
// process for GDI (AddFontResourceExW with FR_PRIVATE: no other program sees it, and it goes when
// the process ends), recorded under the family names its own name table gives. The editor then
// hands the toolkit a typeface made from the same file, so its text uses the bundled faces.

#include "platform/BundleLocation.h"
#include "platform/BundledFonts.h"
#include "platform/FontFamilyNames.h"
#include "platform/PlatformServices.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <mutex>
#include <set>
#include <string>

namespace Ryvel
{
namespace
{

bool hasFontExtension(const std::wstring& name) noexcept
{
    const std::size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos || name.size() - dot != 4)
        return false;
    std::wstring ext;
    for (const wchar_t c : name.substr(dot + 1))
        ext += (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return ext == L"ttf" || ext == L"otf";
}

// GDI counts registrations of a file; one per file is enough for the process's lifetime.
std::mutex registeredMutex;
std::set<std::wstring> registered;

void registerFile(const std::wstring& file)
{
    {
        const std::lock_guard<std::mutex> lock(registeredMutex);
        if (registered.count(file) != 0)
            return;
        if (AddFontResourceExW(file.c_str(), FR_PRIVATE, nullptr) <= 0)
            return;
        registered.insert(file);
    }
    const std::string utf8 = narrowToUtf8(file);
    for (const std::string& family : fontFamilyNamesOfFile(utf8))
        BundledFonts::record(utf8, family);
}

} // namespace

void registerBundledFontsMac() noexcept
{
    try
    {
        const std::wstring folder = widenUtf8(bundleResourcesFolder()) + L"\\Fonts";
        if (folder.size() <= 6)
            return;
        WIN32_FIND_DATAW entry{};
        const HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry,
                                               FindExSearchNameMatch, nullptr, 0);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do
        {
            const std::wstring name = entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && hasFontExtension(name))
                registerFile(folder + L"\\" + name);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    catch (...)
    {
    }
}

} // namespace Ryvel
