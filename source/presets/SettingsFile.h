// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace Ryvel
{

// The per-user settings file holds one value, the editor zoom, shared by every instance.
inline constexpr double kDefaultZoom = 1.25;
inline constexpr double kMinZoom = 0.25;
inline constexpr double kMaxZoom = 4.0;

// Exactly: { "zoom": <value> } and a line feed; the value with six significant digits.
std::string formatSettingsText(double zoom);

// The number after the colon that follows the first "zoom" key. Anything unreadable, or outside
// kMinZoom..kMaxZoom, gives kDefaultZoom: a wild value means a damaged file, not a wish for the
// nearest size.
double scanZoomText(std::string_view text);

} // namespace Ryvel
