// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes a user folder may hold, fed to the preset scanner. Besides the sanitizers' checks:
// what the scanner accepts must survive our own writer unchanged after one rounding, since a
// preset that is loaded and saved again must not drift or lose entries.

#include "presets/PresetFileFormat.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto params = Ryvel::scanPresetText(text);
    if (!params)
        return 0;
    if (params->empty())
        std::abort();
    for (const auto& [id, value] : *params)
        if (!std::isfinite(value))
            std::abort();

    const std::string written = Ryvel::formatPresetText(*params);
    const auto reread = Ryvel::scanPresetText(written);
    if (!reread || reread->size() != params->size())
        std::abort();
    auto original = params->begin();
    for (const auto& [id, value] : *reread)
    {
        const double scale = std::fabs(original->second);
        if (id != original->first || std::fabs(value - original->second) > scale * 1e-5)
            std::abort();
        ++original;
    }
    if (Ryvel::formatPresetText(*reread) != written)
        std::abort();
    return 0;
}
