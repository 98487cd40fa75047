// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/Randomizer.h"

#include "editor/SystemSeed.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace Ryvel::Randomizer
{

namespace
{

// u = (w1 + w2 * 2^32) / 2^64 from two successive outputs, first output the low word. Written
// out by hand: std::generate_canonical is built differently by different standard libraries.
double uniform(std::mt19937& engine)
{
    const double w1 = static_cast<double>(engine());
    const double w2 = static_cast<double>(engine());
    return (w1 + w2 * 4294967296.0) / 18446744073709551616.0;
}

} // namespace

ParamMap randomParams(std::mt19937& engine)
{
    ParamMap map;
    for (int v = 0; v < kNumVoices; ++v)
        for (int s = 0; s < kNumSteps; ++s)
            map[stepId(v, s)] = uniform(engine) < 0.2 ? 1.0 : 0.0;
    for (int v = 0; v < kNumVoices; ++v)
    {
        map[voiceParamId(ParamKind::Gain, v)] = 0.7 * uniform(engine);
        map[voiceParamId(ParamKind::Pan, v)] = uniform(engine);
        map[voiceParamId(ParamKind::Filter, v)] = std::sqrt(uniform(engine));
        map[voiceParamId(ParamKind::Reso, v)] = std::pow(uniform(engine), 2.0);
        map[voiceParamId(ParamKind::Drive, v)] = std::pow(uniform(engine), 3.0);
    }
    return map;
}

std::optional<ParamMap> randomPresetParams()
{
    // One generator for the process, used on the UI thread only.
    static std::unique_ptr<std::mt19937> engine;
    if (engine == nullptr)
    {
        const std::optional<std::uint32_t> seed = readSystemSeed();
        if (!seed)
            return std::nullopt;
        engine = std::make_unique<std::mt19937>(*seed);
    }
    return randomParams(*engine);
}

} // namespace Ryvel::Randomizer
