// SPDX-License-Identifier: GPL-3.0-or-later
// openURLMac and openPathMac on Windows: ShellExecuteW hands an https address to the user's
// browser, or a folder to Explorer, as one argument; no command interpreter ever sees it. Windows
// would also open files, programs and other schemes this way, so nothing else passes.

#include "platform/HttpsAddress.h"
#include "platform/PlatformServices.h"

#include "platform/windows/WideText.h"

#include <windows.h>

#include <shellapi.h>

namespace Ryvel
{
namespace
{

// "C:\..." or "\\server\share\...": relative paths would depend on the host's working folder.
bool isAbsolute(const std::wstring& path) noexcept
{
    const bool drive =
        path.size() >= 3 &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool unc = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return drive || unc;
}

void shellOpen(const wchar_t* verb, const std::wstring& target) noexcept
{
    // Anything but a handle above 32 is a failure, and there is no one to report it to.
    ShellExecuteW(nullptr, verb, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

void openURLMac(const std::string& url) noexcept
{
    try
    {
        if (!isHttpsAddress(url))
            return;
        const std::wstring wide = widenUtf8(url);
        if (!wide.empty())
            shellOpen(L"open", wide);
    }
    catch (...)
    {
    }
}

void openPathMac(const std::string& path) noexcept
{
    try
    {
        if (path.find('\0') != std::string::npos)
            return;
        const std::wstring wide = widenUtf8(path);
        if (wide.empty() || !isAbsolute(wide))
            return;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return;
        shellOpen(L"explore", wide);
    }
    catch (...)
    {
    }
}

} // namespace Ryvel
