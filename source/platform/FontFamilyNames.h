// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The family names a TrueType or OpenType font file gives itself, read from its "name" table:
// what the platform registers a bundled font under when the system's font service is not
// there to say. The order is fontconfig's: the typographic family (name ID 16) first, then the
// family (name ID 1) when it differs. Of each, the US English Windows name is taken, else a
// Unicode-platform name, else a Windows name in another language, else a plain-ASCII Macintosh
// name. Pure functions, any thread; untrusted bytes are fine.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace Ryvel
{

// Empty for anything that is not a well-formed single-font sfnt file with such a name.
std::vector<std::string> fontFamilyNames(std::span<const unsigned char> file) noexcept;

// The same for the file at `path`; empty when it cannot be read or is larger than 32 MB.
std::vector<std::string> fontFamilyNamesOfFile(const std::string& path) noexcept;

} // namespace Ryvel
