// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes a host may hand back as a saved project, fed to the processor's setState. Hosts keep
// these streams for years and pass on whatever they got, truncated or from another plug-in: the
// processor must come out with every parameter inside 0..1, write a complete state that reads
// back to itself, and still produce finite sound.

#include "TestHost.h"
#include "core/StateFormat.h"
#include "formats/vst3/RyvelProcessor.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace Steinberg;
using Ryvel::TestHost::MemoryStream;
using Ryvel::TestHost::ProcessorDriver;
using Ryvel::TestHost::Ref;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto* processor = new Ryvel::RyvelProcessor();
    // A low rate keeps the delay lines, which the state does not touch, small and each run fast.
    ProcessorDriver driver(Ref<Vst::IComponent>(processor), 8000.0, 512);
    if (!driver.ready())
        std::abort();

    MemoryStream in(std::vector<std::uint8_t>(data, data + size));
    if (processor->setState(&in) != kResultOk)
        std::abort();

    MemoryStream saved;
    if (processor->getState(&saved) != kResultOk ||
        saved.data.size() != static_cast<std::size_t>(Ryvel::StateFormat::kStateBytes))
        std::abort();
    saved.position = 0;
    for (const auto& [id, value] : Ryvel::StateFormat::read(saved.data))
        if (!(value >= 0.0 && value <= 1.0))
            std::abort();

    // What the processor wrote is what it holds: loading it again changes nothing.
    saved.position = 0;
    if (processor->setState(&saved) != kResultOk)
        std::abort();
    MemoryStream again;
    processor->getState(&again);
    if (again.data != saved.data)
        std::abort();

    std::vector<float> input(512), left(512), right(512);
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = (i % 64 == 0) ? 1.0f : 0.0f;
    for (int block = 0; block < 4; ++block)
    {
        driver.process(input.data(), input.data(), left.data(), right.data(), 512);
        for (std::size_t i = 0; i < left.size(); ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]) || std::fabs(left[i]) > 8.0f ||
                std::fabs(right[i]) > 8.0f)
                std::abort();
    }
    return 0;
}
