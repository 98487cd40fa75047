// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ProcessorCore.h"

#include "public.sdk/source/vst/vstaudioeffect.h"

#include <cstdint>

namespace Ryvel
{

// The VST 3 audio processor: buses, process setup, parameter queues, the process context and
// the state stream, translated for the format-neutral processing core.
class RyvelProcessor : public Steinberg::Vst::AudioEffect
{
public:
    RyvelProcessor();
    ~RyvelProcessor() override;
    RyvelProcessor(const RyvelProcessor&) = delete;
    RyvelProcessor& operator=(const RyvelProcessor&) = delete;

    static Steinberg::FUnknown* createInstance(void* context);

    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) override;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;
    Steinberg::uint32 PLUGIN_API getTailSamples() override;
    // The echoes follow the host tempo and the playhead follows the transport; a host that
    // honours these flags may otherwise leave both out of the process context.
    Steinberg::uint32 PLUGIN_API getProcessContextRequirements() override
    {
        using Requirements = Steinberg::Vst::IProcessContextRequirements;
        return Requirements::kNeedTempo | Requirements::kNeedTransportState;
    }

    // Checked versions of the base's bus and connection queries (RyvelProcessorQueries.cpp): the
    // base reads any direction other than input as output, writes the controller's class ID
    // through an unchecked pointer and reads a text message's attributes without looking.
    Steinberg::int32 PLUGIN_API getBusCount(Steinberg::Vst::MediaType type,
                                            Steinberg::Vst::BusDirection dir) override;
    Steinberg::tresult PLUGIN_API getBusInfo(Steinberg::Vst::MediaType type,
                                             Steinberg::Vst::BusDirection dir,
                                             Steinberg::int32 index,
                                             Steinberg::Vst::BusInfo& bus) override;
    Steinberg::tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type,
                                              Steinberg::Vst::BusDirection dir,
                                              Steinberg::int32 index,
                                              Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API
    getBusArrangement(Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                      Steinberg::Vst::SpeakerArrangement& arr) override;
    Steinberg::tresult PLUGIN_API getControllerClassId(Steinberg::TUID classId) override;
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

    // Inspection for the engine's unit tests (control thread).
    std::int32_t currentStepSamples() const { return core.currentStepSamples(); }
    std::size_t delayLineLength() const { return core.delayLineLength(); }
    const EchoParams& currentParams() const { return core.currentParams(); }
    bool isBypassed() const { return core.isBypassed(); }
    // Lets the engine's tests pin a kernel variant and see which shortcuts ran.
    StepEcho& signalPath() { return core.signalPath(); }

private:
    void flushParamChanges(Steinberg::Vst::IParameterChanges* changes) noexcept;

    ProcessorCore core;
};

} // namespace Ryvel
