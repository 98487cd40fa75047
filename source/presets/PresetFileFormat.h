// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presets/ParamMap.h"

#include <optional>
#include <string>
#include <string_view>

namespace Ryvel
{

// The preset file text. Written in one fixed layout; read back by a tolerant scan rather than a
// JSON parser, so hand-edited files and those of other versions keep loading:
//
//   {
//     "version": 1,
//     "params": {
//       "0": 1,
//       "128": 0.7
//     }
//   }
//
// Values carry six significant digits. The preset's name is its file name, never in the text.
std::string formatPresetText(const ParamMap& params);

// Reads the entries between the first '{' after the first "params" and the next '}'. Each entry
// is a quoted decimal key, a colon and a number ending at a comma or line break; the last
// occurrence of a key wins, and entries that do not read as an ID and a finite number are
// skipped one by one. Empty when no entry survives.
std::optional<ParamMap> scanPresetText(std::string_view text);

} // namespace Ryvel
