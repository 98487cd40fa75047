// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shaped random presets: sparse steps, gains below the top of their range, filters leaning
// open, resonance and drive leaning low. Mix, HP and Bypass are never part of the result.

#include "presets/ParamMap.h"

#include <optional>
#include <random>

namespace Ryvel::Randomizer
{

// Draws the 52 values from `engine` (104 outputs, in a fixed order).
ParamMap randomParams(std::mt19937& engine);

// From the process-wide generator, seeded once from "/dev/urandom" on first use. Empty when the
// random device cannot be read; the seed is then tried again on the next call. UI thread.
std::optional<ParamMap> randomPresetParams();

} // namespace Ryvel::Randomizer
