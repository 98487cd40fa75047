// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The LV2 plug-in's port layout, shared by the DSP, the UI and the Turtle generator so that it
// is written down once. Control inputs follow the parameter catalogue one for one and carry the
// same normalised 0..1 values as the VST 3 parameters, so presets and automation mean the same
// in both formats. The bypass parameter becomes the host-standard "enabled" port, its inverse.

#include "core/ParameterCatalogue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Ryvel::Lv2
{

inline constexpr std::string_view kPluginUri = "https://corvane-audio.com/plugins/ryvel";
inline constexpr std::string_view kUiUri = "https://corvane-audio.com/plugins/ryvel#ui";

enum Port : std::uint32_t
{
    kInLeft = 0,
    kInRight = 1,
    kOutLeft = 2,
    kOutRight = 3,
    kTimeIn = 4,     // atom sequence of time:Position (tempo and transport)
    kFirstParam = 5, // then one control input per catalogue entry, in catalogue order
    kPlayhead = kFirstParam + kNumParams, // control output: the step playing, -1..7
    kNumPorts
};

constexpr std::uint32_t paramPort(int catalogueIndex)
{
    return kFirstParam + static_cast<std::uint32_t>(catalogueIndex);
}

// The catalogue index of a parameter port, or -1 for the other ports.
constexpr int catalogueIndexOfPort(std::uint32_t port)
{
    return port >= kFirstParam && port < kPlayhead ? static_cast<int>(port - kFirstParam) : -1;
}

// The port's value for a normalised parameter value and back; only bypass differs (enabled = 1
// means processing).
constexpr float portValue(const ParamInfo& info, double normalized)
{
    return static_cast<float>(info.isBypass() ? 1.0 - normalized : normalized);
}
constexpr double normalizedValue(const ParamInfo& info, float port)
{
    return info.isBypass() ? 1.0 - static_cast<double>(port) : static_cast<double>(port);
}

// Stable lower-case symbols: v1_step_1 .. v4_step_8, v1_gain .. v4_reso, mix, hp, enabled.
std::string portSymbol(const ParamInfo& info);
// The catalogue's title; "Enabled" for the bypass port.
std::string portName(const ParamInfo& info);

} // namespace Ryvel::Lv2
