// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/SettingsFile.h"

#include "presets/NumberText.h"

namespace Ryvel
{

std::string formatSettingsText(double zoom)
{
    return "{ \"zoom\": " + formatNumber(zoom) + " }\n";
}

double scanZoomText(std::string_view text)
{
    const std::size_t key = text.find("\"zoom\"");
    if (key == std::string_view::npos)
        return kDefaultZoom;
    const std::size_t colon = text.find(':', key);
    if (colon == std::string_view::npos)
        return kDefaultZoom;
    const auto zoom = parseLeadingNumber(text.substr(colon + 1));
    if (!zoom || *zoom < kMinZoom || *zoom > kMaxZoom)
        return kDefaultZoom;
    return *zoom;
}

} // namespace Ryvel
