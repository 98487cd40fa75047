// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as the processor state handed to the edit controller. Besides the sanitizers: every
// published value stays inside 0..1, and the controller shows exactly what the processor plays:
// after both read the same stream, the controller's values equal the ones in the stream the
// processor writes back (the one a host then saves).

#include "TestHost.h"
#include "core/ParameterCatalogue.h"
#include "core/StateFormat.h"
#include "formats/vst3/RyvelController.h"
#include "formats/vst3/RyvelProcessor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace Steinberg;
using Ryvel::TestHost::MemoryStream;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);

    auto* controller = new Ryvel::RyvelController();
    if (controller->initialize(nullptr) != kResultOk)
        std::abort();
    MemoryStream forController(bytes);
    if (controller->setComponentState(&forController) != kResultOk)
        std::abort();
    for (const Ryvel::ParamInfo& info : Ryvel::kParams)
    {
        const double value = controller->getParamNormalized(info.id);
        if (!(value >= 0.0 && value <= 1.0))
            std::abort();
    }

    auto* processor = new Ryvel::RyvelProcessor();
    processor->initialize(nullptr);
    MemoryStream forProcessor(bytes);
    processor->setState(&forProcessor);
    MemoryStream written;
    if (processor->getState(&written) != kResultOk)
        std::abort();
    written.position = 0;
    for (const auto& [id, value] : Ryvel::StateFormat::read(written.data))
    {
        const Ryvel::ParamInfo* info = Ryvel::findParam(id);
        const double shown = controller->getParamNormalized(id);
        // A switch is on at 0.5 and above; the processor writes it back as 0 or 1.
        const bool agrees = info->isSwitch()
                                ? (shown >= 0.5) == (value >= 0.5)
                                : static_cast<float>(shown) == static_cast<float>(value);
        if (!agrees)
            std::abort();
    }

    processor->terminate();
    processor->release();
    controller->terminate();
    controller->release();
    return 0;
}
