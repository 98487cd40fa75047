// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The processor's state: the 55 parameter values, little-endian, no header, 220 bytes.
// Switches are int32 (written 1 or 0, read as on when non-zero), everything else float32.
// Order: the 32 step switches, the voice block (per voice: gain, pan, drive, filter, reso),
// then Mix, Bypass and HP - the high-pass comes after the bypass, out of ID order, and must
// stay there because hosts hold streams in this layout.

#include "core/ParameterCatalogue.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

namespace Ryvel::StateFormat
{

inline constexpr int kStateBytes = 220;

constexpr std::array<ParamId, kNumParams> buildStreamOrder()
{
    std::array<ParamId, kNumParams> order{};
    for (int i = 0; i < kNumPresetParams; ++i)
        order[static_cast<std::size_t>(i)] = kParams[static_cast<std::size_t>(i)].id;
    order[52] = kMixId;
    order[53] = kBypassId;
    order[54] = kHighPassId;
    return order;
}
inline constexpr std::array<ParamId, kNumParams> kStreamOrder = buildStreamOrder();

using Values = std::array<std::pair<ParamId, double>, kNumParams>;
using Bytes = std::array<std::uint8_t, kStateBytes>;

// Reads the fields in stream order. A state that ends early is not an error: every field from
// the first incomplete one on reads as 0. NaN becomes the parameter's default and other values
// are limited to 0..1; in-range values come back bit for bit. Bytes past the layout are ignored.
Values read(std::span<const std::uint8_t> bytes) noexcept;

// The four little-endian bytes of one field.
std::array<std::uint8_t, 4> encodeField(ParamId id, double value) noexcept;

// `valueOf(id)` for every field, in stream order.
template <typename ValueOf> Bytes write(ValueOf&& valueOf)
{
    Bytes bytes{};
    std::size_t offset = 0;
    for (ParamId id : kStreamOrder)
    {
        const auto field = encodeField(id, valueOf(id));
        std::memcpy(bytes.data() + offset, field.data(), field.size());
        offset += field.size();
    }
    return bytes;
}

} // namespace Ryvel::StateFormat
