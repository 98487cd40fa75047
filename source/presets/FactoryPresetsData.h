// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presets/ParamMap.h"

#include <array>
#include <string>
#include <vector>

namespace Ryvel
{

// One compiled-in preset. All values are normalised. The field order (filter and resonance
// before drive) is the table's, not the parameter-ID order; toParamMap does the reordering.
struct FactoryPreset
{
    const char* name;
    std::array<double, kNumStepParams> steps; // index 8 * voice + step, 0.0 or 1.0
    std::array<double, kNumVoices> gain;
    std::array<double, kNumVoices> pan;
    std::array<double, kNumVoices> filter;
    std::array<double, kNumVoices> reso;
    std::array<double, kNumVoices> drive;
};

// Read-only access to the 31 factory presets, which exist whether or not any preset file does.
class FactoryPresetsData
{
public:
    // The first of count() contiguous records, in menu order.
    static const FactoryPreset* all();
    static int count();

    // Exactly the 52 preset parameters: switches become 0.0 or 1.0 (on at 0.5 and above), voice
    // values are copied unchanged. No Mix, HP or Bypass entry.
    static ParamMap toParamMap(const FactoryPreset& preset);

    static std::vector<std::string> names();

    // Exact, case-sensitive match against the table's names.
    static bool contains(const std::string& name);
};

} // namespace Ryvel
