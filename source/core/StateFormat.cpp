// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StateFormat.h"

#include "core/ParameterLaws.h"

#include <bit>

namespace Ryvel::StateFormat
{

namespace
{

std::uint32_t loadLittleEndian(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

Values read(std::span<const std::uint8_t> bytes) noexcept
{
    Values values{};
    std::size_t offset = 0;
    for (std::size_t i = 0; i < kStreamOrder.size(); ++i, offset += 4)
    {
        const ParamId id = kStreamOrder[i];
        double value = 0.0;
        if (offset + 4 <= bytes.size())
        {
            const std::uint32_t word = loadLittleEndian(bytes.data() + offset);
            if (findParam(id)->isSwitch())
                value = word != 0 ? 1.0 : 0.0;
            else
                value = static_cast<double>(std::bit_cast<float>(word));
        }
        values[i] = {id, sanitizeNormalized(id, value)};
    }
    return values;
}

std::array<std::uint8_t, 4> encodeField(ParamId id, double value) noexcept
{
    const std::uint32_t word = findParam(id)->isSwitch()
                                   ? (Laws::switchOn(value) ? 1u : 0u)
                                   : std::bit_cast<std::uint32_t>(static_cast<float>(value));
    return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

} // namespace Ryvel::StateFormat
