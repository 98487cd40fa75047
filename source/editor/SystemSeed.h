// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

namespace Ryvel::Randomizer
{

// 32 bits from the system's random source ("/dev/urandom"; on Windows the system's preferred
// generator); empty when it cannot be read.
std::optional<std::uint32_t> readSystemSeed();

} // namespace Ryvel::Randomizer
