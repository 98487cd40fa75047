// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SystemSeed.h"

#include <windows.h>

#include <bcrypt.h>

namespace Ryvel::Randomizer
{

std::optional<std::uint32_t> readSystemSeed()
{
    std::uint32_t seed = 0;
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&seed), sizeof seed,
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::nullopt;
    return seed;
}

} // namespace Ryvel::Randomizer
