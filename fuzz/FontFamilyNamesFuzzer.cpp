// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a font file of the bundle, read for its family names where fontconfig is missing.

#include "platform/FontFamilyNames.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto names = Ryvel::fontFamilyNames(std::span<const unsigned char>(data, size));
    // At most the typographic and the family name, each non-empty, without NUL, and distinct.
    if (names.size() > 2 || (names.size() == 2 && names[0] == names[1]))
        std::abort();
    for (const std::string& name : names)
        if (name.empty() || name.find('\0') != std::string::npos)
            std::abort();
    return 0;
}
