// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The processor's state stream: the 55 parameter values, little-endian, no header, 220 bytes.
// Switches are int32 (written 1 or 0, read as on when non-zero), everything else float32.
// Order: the 32 step switches, the voice block (per voice: gain, pan, drive, filter, reso),
// then Mix, Bypass and HP - the high-pass comes after the bypass, out of ID order, and must
// stay there because hosts hold streams in this layout.

#include "engine/ParameterCatalogue.h"

#include "pluginterfaces/base/ibstream.h"

#include <array>
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

// Reads the fields in stream order. A stream that ends early is not an error: every field from
// the first missing one on reads as 0. NaN becomes the parameter's default and other values are
// limited to 0..1; in-range values come back bit for bit.
Values read(Steinberg::IBStream& stream);

bool writeField(Steinberg::IBStream& stream, ParamId id, double value);

// Writes `valueOf(id)` for every field in stream order; false as soon as a write fails, so a
// host stream that takes only part of the state is never reported as a complete save.
template <typename ValueOf> bool write(Steinberg::IBStream& stream, ValueOf&& valueOf)
{
    for (ParamId id : kStreamOrder)
        if (!writeField(stream, id, valueOf(id)))
            return false;
    return true;
}

} // namespace Ryvel::StateFormat
