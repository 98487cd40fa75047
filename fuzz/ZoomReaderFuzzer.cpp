// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes a settings file may hold, fed to the zoom reader: the editor sizes its window from the
// result, so it must always be a usable factor, and a saved factor must read back as saved.

#include "presets/SettingsFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double zoom = Ryvel::scanZoomText(text);
    if (!(zoom >= Ryvel::kMinZoom && zoom <= Ryvel::kMaxZoom))
        std::abort();

    const std::string written = Ryvel::formatSettingsText(zoom);
    const double reread = Ryvel::scanZoomText(written);
    if (std::fabs(reread - zoom) > zoom * 1e-5 || Ryvel::formatSettingsText(reread) != written)
        std::abort();
    return 0;
}
