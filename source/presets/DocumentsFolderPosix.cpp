// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/DocumentsFolder.h"

#include <cstdlib>
#include <system_error>

namespace Ryvel
{

std::filesystem::path presetsBaseFolder()
{
    namespace fs = std::filesystem;
    if (const char* home = std::getenv("HOME"))
        return fs::path(home) / "Documents" / "Corvane Audio" / "Ryvel";
    std::error_code ec;
    return fs::current_path(ec) / "Corvane Audio" / "Ryvel";
}

} // namespace Ryvel
