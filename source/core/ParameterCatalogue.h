// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one list of Ryvel's 55 parameters. Registration with the host, the state stream order,
// preset maps and the editor's control tags are all derived from this table; nothing else in
// the code base spells the list out again.
//
// Conventions: voices are 0..3 (titles say V1..V4), steps 0..7 (titles say Step 1..8). Every
// parameter is normalised 0..1 with a plain range of 0..1.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Ryvel
{

using ParamId = std::uint32_t;

inline constexpr int kNumVoices = 4;
inline constexpr int kNumSteps = 8;
inline constexpr int kNumStepParams = kNumVoices * kNumSteps;
inline constexpr int kNumParams = 55;
// Step switches and voice controls: the part of the catalogue that presets carry.
inline constexpr int kNumPresetParams = 52;

inline constexpr ParamId kGainBase = 128;
inline constexpr ParamId kPanBase = 136;
inline constexpr ParamId kDriveBase = 144;
inline constexpr ParamId kFilterBase = 148;
inline constexpr ParamId kResoBase = 152;
inline constexpr ParamId kMixId = 162;
inline constexpr ParamId kHighPassId = 163;
inline constexpr ParamId kBypassId = 167;

enum class ParamKind : std::uint8_t
{
    Step,
    Gain,
    Pan,
    Drive,
    Filter,
    Reso,
    Mix,
    HighPass,
    Bypass,
};

// The five per-voice controls in the order the state stream and registration use.
inline constexpr std::array<ParamKind, 5> kVoiceKinds = {
    ParamKind::Gain, ParamKind::Pan, ParamKind::Drive, ParamKind::Filter, ParamKind::Reso};

struct ParamInfo
{
    ParamId id = 0;
    ParamKind kind = ParamKind::Step;
    int voice = -1; // 0..3 for step and voice parameters, -1 for the global ones
    int step = -1;  // 0..7 for step switches, -1 otherwise
    std::array<char, 12> titleChars{};
    double defaultValue = 0.0;
    int stepCount = 0; // 1 for on/off switches, 0 for continuous

    constexpr std::string_view title() const { return std::string_view(titleChars.data()); }
    constexpr bool isSwitch() const { return stepCount == 1; }
    constexpr bool isBypass() const { return kind == ParamKind::Bypass; }
};

constexpr ParamId stepId(int voice, int step)
{
    return static_cast<ParamId>(8 * voice + step);
}

constexpr ParamId voiceParamBase(ParamKind kind)
{
    switch (kind)
    {
    case ParamKind::Gain:
        return kGainBase;
    case ParamKind::Pan:
        return kPanBase;
    case ParamKind::Drive:
        return kDriveBase;
    case ParamKind::Filter:
        return kFilterBase;
    case ParamKind::Reso:
        return kResoBase;
    default:
        return 0;
    }
}

constexpr ParamId voiceParamId(ParamKind kind, int voice)
{
    return voiceParamBase(kind) + static_cast<ParamId>(voice);
}

namespace detail
{

constexpr std::array<char, 12> makeTitle(std::string_view text, int number = -1)
{
    std::array<char, 12> out{};
    std::size_t n = 0;
    for (char c : text)
        out[n++] = c;
    if (number >= 0)
        out[n++] = static_cast<char>('0' + number);
    return out;
}

constexpr std::array<char, 12> voiceTitle(int voice, std::string_view rest, int number = -1)
{
    std::array<char, 12> out{};
    std::size_t n = 0;
    out[n++] = 'V';
    out[n++] = static_cast<char>('1' + voice);
    out[n++] = ' ';
    for (char c : rest)
        out[n++] = c;
    if (number >= 0)
        out[n++] = static_cast<char>('0' + number);
    return out;
}

constexpr std::string_view voiceKindTitle(ParamKind kind)
{
    switch (kind)
    {
    case ParamKind::Gain:
        return "Gain";
    case ParamKind::Pan:
        return "Pan";
    case ParamKind::Drive:
        return "Drive";
    case ParamKind::Filter:
        return "Filter";
    case ParamKind::Reso:
        return "Reso";
    default:
        return "";
    }
}

constexpr double voiceKindDefault(ParamKind kind)
{
    switch (kind)
    {
    case ParamKind::Gain:
        return 0.7;
    case ParamKind::Pan:
        return 0.5;
    case ParamKind::Filter:
        return 1.0;
    default:
        return 0.0;
    }
}

constexpr std::array<ParamInfo, kNumParams> buildCatalogue()
{
    std::array<ParamInfo, kNumParams> table{};
    std::size_t n = 0;
    for (int v = 0; v < kNumVoices; ++v)
        for (int s = 0; s < kNumSteps; ++s)
            table[n++] = ParamInfo{
                stepId(v, s), ParamKind::Step, v, s, voiceTitle(v, "Step ", s + 1), 0.0, 1};
    for (int v = 0; v < kNumVoices; ++v)
        for (ParamKind kind : kVoiceKinds)
            table[n++] =
                ParamInfo{voiceParamId(kind, v),  kind, v, -1, voiceTitle(v, voiceKindTitle(kind)),
                          voiceKindDefault(kind), 0};
    table[n++] = ParamInfo{kMixId, ParamKind::Mix, -1, -1, makeTitle("Mix"), 0.5, 0};
    table[n++] = ParamInfo{kHighPassId, ParamKind::HighPass, -1, -1, makeTitle("HP"), 0.0, 0};
    table[n++] = ParamInfo{kBypassId, ParamKind::Bypass, -1, -1, makeTitle("Bypass"), 0.0, 1};
    return table;
}

} // namespace detail

// In registration order, which is also the host's parameter index order 0..54.
inline constexpr std::array<ParamInfo, kNumParams> kParams = detail::buildCatalogue();

// Index into kParams, or -1 for an ID no parameter uses.
constexpr int paramIndex(ParamId id)
{
    for (std::size_t i = 0; i < kParams.size(); ++i)
        if (kParams[i].id == id)
            return static_cast<int>(i);
    return -1;
}

constexpr const ParamInfo* findParam(ParamId id)
{
    const int index = paramIndex(id);
    return index < 0 ? nullptr : &kParams[static_cast<std::size_t>(index)];
}

constexpr bool isKnownParam(ParamId id)
{
    return paramIndex(id) >= 0;
}

// Presets carry the step switches and the voice controls, never Mix, HP or Bypass.
constexpr bool isPresetParam(ParamId id)
{
    const ParamInfo* info = findParam(id);
    return info != nullptr && info->kind != ParamKind::Mix && info->kind != ParamKind::HighPass &&
           info->kind != ParamKind::Bypass;
}

constexpr double defaultValue(ParamId id)
{
    const ParamInfo* info = findParam(id);
    return info != nullptr ? info->defaultValue : 0.0;
}

// Host-supplied values: NaN becomes the parameter's default, everything else is limited to 0..1.
// In-range values pass unchanged, bit for bit.
constexpr double sanitizeNormalized(ParamId id, double value)
{
    if (value != value)
        return defaultValue(id);
    if (value < 0.0)
        return 0.0;
    if (value > 1.0)
        return 1.0;
    return value;
}

} // namespace Ryvel
