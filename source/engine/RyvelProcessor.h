// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/StepEcho.h"

#include "public.sdk/source/vst/vstaudioeffect.h"

#include <cstdint>

namespace Ryvel
{

// The realtime half of the plug-in: buses, sample-rate setup, parameter and tempo intake,
// bypass and the step clock around the step-echo signal path.
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
    std::int32_t currentStepSamples() const { return stepSamples; }
    std::size_t delayLineLength() const { return echo.delayLength(); }
    const EchoParams& currentParams() const { return params; }
    bool isBypassed() const { return bypass; }
    // Lets the engine's tests pin a kernel variant and see which shortcuts ran.
    StepEcho& signalPath() { return echo; }

private:
    void resetDelayState() noexcept;
    void recomputeRate() noexcept;
    void flushParamChanges(Steinberg::Vst::IParameterChanges* changes) noexcept;
    void storeParam(const ParamInfo& info, double value) noexcept;
    double paramValue(const ParamInfo& info) const noexcept;
    void takeTempo(const Steinberg::Vst::ProcessContext* context) noexcept;
    void advanceStepClock(std::int32_t numSamples) noexcept;

    double sampleRate = 44100.0;
    EchoParams params;
    float tempoBpm = 120.0f;
    bool bypass = false;
    StepEcho echo;
    std::int32_t stepSamples = 512;
    std::uint64_t stepCounter = 0;
    std::int32_t lastStep = -1;
    bool wasPlaying = false;
};

} // namespace Ryvel
