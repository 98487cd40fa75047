// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/DocumentsFolder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <system_error>

namespace Ryvel
{

std::filesystem::path presetsBaseFolder()
{
    namespace fs = std::filesystem;
    fs::path documents;
    PWSTR folder = nullptr;
    // KF_FLAG_DONT_VERIFY: a redirected folder that is offline right now still names the place;
    // the file operation that follows fails quietly instead.
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DONT_VERIFY, nullptr, &folder)))
        documents = fs::path(folder);
    CoTaskMemFree(folder);
    if (!documents.empty())
        return documents / L"Corvane Audio" / L"Ryvel";
    std::error_code ec;
    return fs::current_path(ec) / L"Corvane Audio" / L"Ryvel";
}

} // namespace Ryvel
