// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Paths are UTF-8 std::strings across the program; std::filesystem takes and gives them through
// char8_t, which every platform converts by UTF-8 (a plain std::string would be read in the ANSI
// code page on Windows, which cannot hold most user names).

#include <filesystem>
#include <string>
#include <string_view>

namespace Ryvel
{

inline std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

} // namespace Ryvel
