// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What registerBundledFontsMac made available: the editor consults this before it asks for a
// family by name, so that a missing bundle falls back instead of silently substituting.
// Process-wide, thread-safe; entries are never removed (registrations last until exit).

#include <string>
#include <string_view>
#include <vector>

namespace Ryvel
{

class BundledFonts
{
public:
    struct Entry
    {
        std::string file;   // absolute path of the registered font file
        std::string family; // family name as the platform's font system reports it
    };

    // A snapshot in registration order; empty if nothing was registered.
    static std::vector<Entry> all() noexcept;
    static bool hasFamily(std::string_view family) noexcept;

    // Called by the platform implementations only; a repeated (file, family) pair is kept once.
    static void record(std::string_view file, std::string_view family) noexcept;
};

} // namespace Ryvel
