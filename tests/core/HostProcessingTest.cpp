// SPDX-License-Identifier: GPL-3.0-or-later
// The processor frame through the real module: buses, sample sizes and rates, bypass, parameter
// intake and every host mistake we defend against.

#include "AllocationCounter.h"
#include "TestHost.h"
#include "TestSignals.h"

#include "core/ParameterCatalogue.h"
#include "formats/vst3/ClassIds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <random>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;

namespace
{

AudioBusBuffers bus(int32 channels, float** buffers)
{
    AudioBusBuffers b{};
    b.numChannels = channels;
    b.channelBuffers32 = buffers;
    return b;
}

using Ryvel::Testing::noise;

class HostProcessing : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << module.error(); }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory = module.factory();
};

TEST_F(HostProcessing, AcceptsOnlyStereoInAndStereoOut)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    IAudioProcessor& processor = driver.processor();
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    SpeakerArrangement surround = SpeakerArr::k51;

    EXPECT_EQ(processor.setBusArrangements(&mono, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(processor.setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(processor.setBusArrangements(two, 2, &stereo, 1), kResultFalse);
    EXPECT_EQ(processor.setBusArrangements(&stereo, 1, nullptr, 0), kResultFalse);
    EXPECT_EQ(processor.setBusArrangements(&surround, 1, &surround, 1), kResultFalse);
    SpeakerArrangement arrangement = 0;
    processor.getBusArrangement(kOutput, 0, arrangement);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo); // the refused calls changed nothing
    EXPECT_EQ(processor.setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);

    EXPECT_EQ(driver.component().getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(driver.component().getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(driver.component().getBusCount(kEvent, kInput), 0);
}

TEST_F(HostProcessing, RefusesDoublePrecisionAndImpossibleSampleRates)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    IAudioProcessor& processor = driver.processor();
    EXPECT_EQ(processor.canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(processor.canProcessSampleSize(kSample64), kResultFalse);
    ProcessSetup doubles{kRealtime, kSample64, 512, 44100.0};
    driver.component().setActive(false);
    EXPECT_EQ(processor.setupProcessing(doubles), kResultFalse);

    // The highest rate taken is 2 MHz.
    for (double rate :
         {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity(), 1e12, std::nextafter(2'000'000.0, 3e6)})
    {
        SCOPED_TRACE(rate);
        ProcessSetup setup{kRealtime, kSample32, 512, rate};
        EXPECT_EQ(processor.setupProcessing(setup), kResultFalse);
    }
    // Nothing changed: an echo still arrives on the 44.1 kHz grid (V1 step 1 = 5512 samples).
    driver.component().setActive(true);
    driver.changes.add(0, 1.0);
    driver.changes.add(Ryvel::kMixId, 1.0);
    std::vector<float> in(6000, 0.0f), outL, outR;
    in[0] = 0.25f;
    driver.processBuffer(in, in, outL, outR, 512);
    EXPECT_GT(std::fabs(outL[5512]), 0.05f);
    EXPECT_LT(std::fabs(outL[5511]), 1e-6f);
}

TEST_F(HostProcessing, BypassCopiesTheInputAlsoInPlace)
{
    ProcessorDriver driver(*factory.get(), 48000.0);
    auto in = noise(1024, 1);
    std::vector<float> outL(1024), outR(1024);
    driver.changes.add(Ryvel::kBypassId, 1.0);
    driver.process(in.data(), in.data(), outL.data(), outR.data(), 1024);
    EXPECT_EQ(outL, in);
    EXPECT_EQ(outR, in);

    auto left = noise(512, 2), right = noise(512, 3);
    const auto leftBefore = left, rightBefore = right;
    driver.process(left.data(), right.data(), left.data(), right.data(), 512);
    EXPECT_EQ(left, leftBefore);
    EXPECT_EQ(right, rightBefore);
}

TEST_F(HostProcessing, MixZeroGivesTheInputBitForBitAndTheLastQueuePointWins)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    for (int s = 0; s < 32; ++s)
        driver.changes.add(static_cast<ParamID>(s), 1.0);
    driver.changes.add(Ryvel::kMixId, 1.0);
    driver.changes.add(Ryvel::kMixId, 0.5);
    driver.changes.add(Ryvel::kMixId, 0.0);
    auto inL = noise(20000, 4), inR = noise(20000, 5);
    std::vector<float> outL, outR;
    driver.processBuffer(inL, inR, outL, outR, 333);
    EXPECT_EQ(outL, inL);
    EXPECT_EQ(outR, inR);
}

TEST_F(HostProcessing, ZeroSampleBlocksStillTakeParameters)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    driver.changes.add(Ryvel::kMixId, 0.0);
    driver.process(nullptr, nullptr, nullptr, nullptr, 0);
    auto in = noise(256, 6);
    std::vector<float> out(256), outR(256);
    driver.process(in.data(), in.data(), out.data(), outR.data(), 256);
    EXPECT_EQ(out, in);
}

TEST_F(HostProcessing, PassesAudioThroughBeforeAnySetup)
{
    TUID cid;
    Ryvel::Product::toFuid(Ryvel::Product::kProcessorId).toTUID(cid);
    auto component = createInstance<IComponent>(*factory.get(), cid);
    ASSERT_EQ(component->initialize(nullptr), kResultOk);
    auto processor = component.query<IAudioProcessor>();

    auto in = noise(128, 7);
    std::vector<float> outL(128, 9.0f), outR(128, 9.0f);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    AudioBusBuffers inBus = bus(2, inputs);
    AudioBusBuffers outBus = bus(2, outputs);
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = 128;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    EXPECT_EQ(processor->process(data), kResultOk);
    EXPECT_EQ(outL, in);
    EXPECT_EQ(outR, in);
    component->terminate();
}

TEST_F(HostProcessing, BlocksWithUnusableBuffersWriteSilenceWhereTheyCan)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    IAudioProcessor& processor = driver.processor();
    auto in = noise(64, 8);
    std::vector<float> outL(64, 9.0f), outR(64, 9.0f);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    float* halfNull[2] = {in.data(), nullptr};

    struct Case
    {
        const char* name;
        int32 numInputs;
        int32 inChannels;
        float** inBuffers;
        int32 sampleSize;
    };
    const Case cases[] = {
        {"no input bus", 0, 2, inputs, kSample32},
        {"mono input", 1, 1, inputs, kSample32},
        {"null channel", 1, 2, halfNull, kSample32},
        {"null channel array", 1, 2, nullptr, kSample32},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::fill(outL.begin(), outL.end(), 9.0f);
        std::fill(outR.begin(), outR.end(), 9.0f);
        AudioBusBuffers inBus = bus(c.inChannels, c.inBuffers);
        AudioBusBuffers outBus = bus(2, outputs);
        ProcessData data{};
        data.symbolicSampleSize = c.sampleSize;
        data.numSamples = 64;
        data.numInputs = c.numInputs;
        data.numOutputs = 1;
        data.inputs = &inBus;
        data.outputs = &outBus;
        EXPECT_EQ(processor.process(data), kResultOk);
        EXPECT_EQ(outL, std::vector<float>(64, 0.0f));
        EXPECT_EQ(outR, std::vector<float>(64, 0.0f));
    }

    // A 64-bit block is refused without touching the (double) buffers as floats.
    std::vector<double> wide(64, 9.0);
    double* wideOut[2] = {wide.data(), wide.data()};
    AudioBusBuffers inBus = bus(2, inputs);
    AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.channelBuffers64 = wideOut;
    ProcessData data{};
    data.symbolicSampleSize = kSample64;
    data.numSamples = 64;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    EXPECT_EQ(processor.process(data), kResultOk);
    EXPECT_EQ(wide, std::vector<double>(64, 9.0));
}

TEST_F(HostProcessing, HostileParameterValuesKeepTheOutputFinite)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    const double hostile[] = {std::numeric_limits<double>::quiet_NaN(), 1.5, -1.0,
                              std::numeric_limits<double>::infinity(), 1e300};
    auto in = noise(44100, 9, 1.0f);
    std::vector<float> outL(512), outR(512);
    for (size_t block = 0; block * 512 + 512 <= in.size(); ++block)
    {
        for (const Ryvel::ParamInfo& info : Ryvel::kParams)
            if (info.id != Ryvel::kBypassId)
                driver.changes.add(info.id, hostile[(block + info.id) % 5]);
        const float* src = in.data() + block * 512;
        driver.process(src, src, outL.data(), outR.data(), 512, Transport{1e9, true, true});
        for (int i = 0; i < 512; ++i)
        {
            ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i])) << block << ":" << i;
            ASSERT_LT(std::fabs(outL[i]), 8.0f);
        }
    }
}

TEST_F(HostProcessing, ProcessAllocatesNothing)
{
    ProcessorDriver driver(*factory.get(), 96000.0);
    auto in = noise(4096, 10);
    std::vector<float> outL(4096), outR(4096);
    // Queues are built before counting: the host's own allocations are not the plug-in's.
    std::vector<ParamChanges> blocks(40);
    for (size_t b = 0; b < blocks.size(); ++b)
        for (const Ryvel::ParamInfo& info : Ryvel::kParams)
            blocks[b].add(info.id, (b * 37 + info.id) % 11 / 10.0);

#ifdef _WIN32
    // The same processor code is counted in the Linux run.
    GTEST_SKIP() << "a DLL's operator new is its own: the test's counter cannot see the module's "
                    "allocations";
#endif
    // The hook sees the module's allocations (creating a processor allocates).
    const long beforeCreate = Ryvel::Testing::allocationCount();
    ProcessorDriver other(*factory.get(), 44100.0);
    EXPECT_GT(Ryvel::Testing::allocationCount() - beforeCreate, 0);

    const long before = Ryvel::Testing::allocationCount();
    for (size_t b = 0; b < blocks.size(); ++b)
    {
        std::swap(driver.changes, blocks[b]);
        driver.process(in.data(), in.data(), outL.data(), outR.data(),
                       static_cast<int>(1 + b * 97 % 4096), Transport{60.0 + b, true, b % 3 != 0});
        std::swap(driver.changes, blocks[b]);
    }
    EXPECT_EQ(Ryvel::Testing::allocationCount() - before, 0);
}

} // namespace
