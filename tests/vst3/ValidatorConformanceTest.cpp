// SPDX-License-Identifier: GPL-3.0-or-later
// What the public VST 3 validators ask of a plug-in, asked through the real module: lifecycle
// cycles, parameter-only and empty blocks, random block sizes, processing from a thread other
// than the one that set up, bus queries and activation, bypass persistence, value texts, state
// round trips and the sample rates a validator sets up. A validator only checks result codes;
// here the audio is compared with the plain scalar model bit for bit as well, since it is
// defined to the bit and a call that "succeeds" with wrong audio is no better than a refusal.

#include "ReferenceEcho.h"
#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;
using Ryvel::ParamKind;
using Ryvel::voiceParamId;

namespace
{

// Echoes from the first sixteenth on in every voice, with resonance, drive and high-pass in play.
const std::pair<ParamID, double> kPattern[] = {
    {0, 1.0},
    {9, 1.0},
    {20, 1.0},
    {31, 1.0},
    {Ryvel::kMixId, 0.8},
    {voiceParamId(ParamKind::Filter, 1), 0.6},
    {voiceParamId(ParamKind::Reso, 1), 0.7},
    {voiceParamId(ParamKind::Drive, 2), 0.5},
    {Ryvel::kHighPassId, 0.3},
};

bool sameBits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// The module and the plain scalar model fed the same blocks of noise and parameter changes, at
// 120 BPM. Records the first sample where they differ and any refused call.
class Twin
{
public:
    Twin(IPluginFactory& factory, double rate, int maxBlock)
        : driver(factory, rate, maxBlock), model(std::in_place, rate),
          buffers(4, std::vector<float>(static_cast<std::size_t>(maxBlock)))
    {
    }

    // A change both receive with the next block.
    void change(ParamID id, double value)
    {
        driver.changes.add(id, value);
        model->setParameter(id, value);
    }
    void changePattern()
    {
        for (const auto& [id, value] : kPattern)
            change(id, value);
    }
    // The model of a session that starts now at `rate`, for after a setup or a deactivation.
    void restartModel(double rate)
    {
        model.reset();
        model.emplace(rate);
    }

    void run(int n)
    {
        std::vector<float>& inL = buffers[0];
        std::vector<float>& inR = buffers[1];
        std::vector<float>& outL = buffers[2];
        std::vector<float>& outR = buffers[3];
        for (int i = 0; i < n; ++i)
        {
            inL[static_cast<std::size_t>(i)] = unit(rng);
            inR[static_cast<std::size_t>(i)] = unit(rng);
        }
        driver.process(inL.data(), inR.data(), outL.data(), outR.data(), n);
        if (driver.processResult != kResultOk)
            ++refused;
        std::vector<float> expectL(static_cast<std::size_t>(n)), expectR(expectL.size());
        model->process(inL.data(), inR.data(), expectL.data(), expectR.data(), n);
        for (std::size_t i = 0; i < expectL.size(); ++i)
        {
            finite = finite && std::isfinite(outL[i]) && std::isfinite(outR[i]);
            if (firstMismatch < 0 &&
                (!sameBits(outL[i], expectL[i]) || !sameBits(outR[i], expectR[i])))
                firstMismatch = static_cast<long>(samples + i);
        }
        samples += expectL.size();
    }
    void runBlocks(int count, int n)
    {
        for (int b = 0; b < count; ++b)
            run(n);
    }

    // The left channel's input and output buffers as the last block left them (whole buffers:
    // compare after full blocks only).
    const std::vector<float>& lastInput() const { return buffers[0]; }
    const std::vector<float>& lastOutput() const { return buffers[2]; }

    void expectMatches() const
    {
        EXPECT_EQ(refused, 0) << "process refused some blocks";
        EXPECT_TRUE(finite);
        EXPECT_EQ(firstMismatch, -1) << "module and model differ from this sample on";
    }

    ProcessorDriver driver;
    std::optional<Ryvel::Reference::ReferenceEcho> model;
    int refused = 0;
    bool finite = true;
    long firstMismatch = -1;
    std::size_t samples = 0;

private:
    std::vector<std::vector<float>> buffers;
    std::mt19937 rng{17};
    std::uniform_real_distribution<float> unit{-0.5f, 0.5f};
};

class ValidatorConformance : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << module.error(); }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory = module.factory();
};

// At 8 kHz each cycle runs past the end of the delay line (36096 frames), so that anything a
// cycle leaves behind would be read by the taps of the next one.
TEST_F(ValidatorConformance, FourCyclesOfSetupActivateDeactivateTerminateInitializeEachStartClean)
{
    const double rate = 8000.0;
    Twin twin(*factory.get(), rate, 512);
    ASSERT_TRUE(twin.driver.ready());
    IComponent& component = twin.driver.component();
    IAudioProcessor& processor = twin.driver.processor();
    ASSERT_EQ(component.setActive(false), kResultOk);

    for (int cycle = 0; cycle < 4; ++cycle)
    {
        SCOPED_TRACE(cycle);
        ProcessSetup setup{kRealtime, kSample32, 512, rate};
        ASSERT_EQ(processor.setupProcessing(setup), kResultOk);
        ASSERT_EQ(component.setActive(true), kResultOk);
        // The model starts from silence every time.
        twin.restartModel(rate);
        twin.changePattern();
        twin.runBlocks(80, 512);
        twin.expectMatches();
        ASSERT_EQ(component.setActive(false), kResultOk);
        ASSERT_EQ(component.terminate(), kResultOk);
        ASSERT_EQ(component.initialize(nullptr), kResultOk);
    }
}

TEST_F(ValidatorConformance, ParameterOnlyAndEmptyBlocksTakeTheirChangesAndTouchNoAudio)
{
    Twin twin(*factory.get(), 44100.0, 512);
    ASSERT_TRUE(twin.driver.ready());
    twin.runBlocks(4, 512);

    // Half the pattern through a call without buses, the rest through one without buses that
    // still names a sample count (some hosts flush that way), and the mix through an empty
    // block with buffers.
    for (std::size_t i = 0; i < std::size(kPattern) / 2; ++i)
        twin.change(kPattern[i].first, kPattern[i].second);
    EXPECT_EQ(twin.driver.flush(0), kResultOk);
    for (std::size_t i = std::size(kPattern) / 2; i < std::size(kPattern); ++i)
        twin.change(kPattern[i].first, kPattern[i].second);
    EXPECT_EQ(twin.driver.flush(512), kResultOk);
    twin.change(Ryvel::kMixId, 0.65);
    const float sentinel = 12345.0f;
    std::vector<float> in(4, 0.25f), outL(4, sentinel), outR(4, sentinel);
    twin.driver.process(in.data(), in.data(), outL.data(), outR.data(), 0);
    EXPECT_EQ(twin.driver.processResult, kResultOk);
    EXPECT_EQ(outL, std::vector<float>(4, sentinel));
    EXPECT_EQ(outR, std::vector<float>(4, sentinel));

    // The model took every change with its next audio block; so must the module, without the
    // calls in between having moved the delay lines or the filters.
    twin.runBlocks(40, 512);
    twin.expectMatches();
}

TEST_F(ValidatorConformance, TwentyOneRandomBlockSizesUpToTheMaximum)
{
    const int maxBlock = 4096;
    Twin twin(*factory.get(), 44100.0, maxBlock);
    ASSERT_TRUE(twin.driver.ready());
    twin.changePattern();
    std::mt19937 rng(21);
    std::uniform_int_distribution<int> size(0, maxBlock);
    // The first block is empty, as a validator's is.
    twin.run(0);
    for (int block = 1; block < 21; ++block)
        twin.run(size(rng));
    twin.expectMatches();
}

TEST_F(ValidatorConformance, NineThousandNineHundredNinetyNineBlocksFromAThreadThatDidNotSetUp)
{
    Twin twin(*factory.get(), 44100.0, 64);
    ASSERT_TRUE(twin.driver.ready());
    twin.changePattern();
    std::thread audio(
        [&twin]
        {
            for (int block = 0; block < 9999; ++block)
            {
                // Now and then a filter move, so that coefficients are recomputed there too.
                if (block % 1000 == 999)
                    twin.change(voiceParamId(ParamKind::Filter, block % 4), (block % 7) / 7.0);
                twin.run(64);
            }
        });
    audio.join();
    twin.expectMatches();
}

TEST_F(ValidatorConformance, BusesAnswerAlikeEveryTimeAndEachActivatesAndDeactivates)
{
    Twin twin(*factory.get(), 48000.0, 256);
    ASSERT_TRUE(twin.driver.ready());
    IComponent& component = twin.driver.component();

    struct Answer
    {
        tresult result;
        int32 channels;
        int32 busType;
        uint32 flags;
        std::u16string name;
        bool operator==(const Answer&) const = default;
    };
    std::map<std::tuple<MediaType, BusDirection, int32>, Answer> first;
    std::map<std::pair<MediaType, BusDirection>, int32> counts;
    std::mt19937 rng(3);
    int differing = 0;
    for (int query = 0; query < 400; ++query)
    {
        const auto type = static_cast<MediaType>(rng() % 2);
        const auto dir = static_cast<BusDirection>(rng() % 2);
        const auto index = static_cast<int32>(rng() % 2);
        BusInfo info{};
        const tresult result = component.getBusInfo(type, dir, index, info);
        Answer answer{result, 0, 0, 0, {}};
        if (result == kResultOk)
            answer = {result, info.channelCount, info.busType, info.flags,
                      std::u16string(reinterpret_cast<const char16_t*>(info.name))};
        const auto [it, inserted] = first.try_emplace({type, dir, index}, answer);
        differing += (inserted || it->second == answer) ? 0 : 1;
        const int32 count = component.getBusCount(type, dir);
        const auto [countIt, countInserted] = counts.try_emplace({type, dir}, count);
        differing += (countInserted || countIt->second == count) ? 0 : 1;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(first.size(), 8u); // every question was asked at least once

    ASSERT_EQ(component.setActive(false), kResultOk);
    for (MediaType type : {kAudio, kEvent})
        for (BusDirection dir : {kInput, kOutput})
            for (int32 index = 0; index < component.getBusCount(type, dir); ++index)
            {
                SCOPED_TRACE(testing::Message() << type << " " << dir << " " << index);
                EXPECT_EQ(component.activateBus(type, dir, index, false), kResultOk);
                EXPECT_EQ(component.activateBus(type, dir, index, true), kResultOk);
            }
    ASSERT_EQ(component.setActive(true), kResultOk);
    twin.restartModel(48000.0);
    twin.changePattern();
    twin.runBlocks(60, 256);
    twin.expectMatches();
}

TEST_F(ValidatorConformance, BypassSetThroughAFlushIsWhatTheControllerReadsFromTheState)
{
    Twin twin(*factory.get(), 44100.0, 512);
    ASSERT_TRUE(twin.driver.ready());
    auto controller = createController(*factory.get(), twin.driver.component());
    ASSERT_TRUE(controller);
    twin.changePattern();
    twin.runBlocks(20, 512);

    twin.change(Ryvel::kBypassId, 1.0);
    ASSERT_EQ(twin.driver.flush(0), kResultOk);
    const std::vector<std::uint8_t> bypassed = getState(twin.driver.component());
    MemoryStream toController(bypassed);
    ASSERT_EQ(controller->setComponentState(&toController), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(Ryvel::kBypassId), 1.0);
    twin.run(512);
    EXPECT_EQ(twin.lastOutput(), twin.lastInput());

    // Bypass off again, then the saved state brings it back in both halves.
    twin.change(Ryvel::kBypassId, 0.0);
    ASSERT_EQ(twin.driver.flush(0), kResultOk);
    ASSERT_EQ(controller->setParamNormalized(Ryvel::kBypassId, 0.0), kResultOk);
    twin.run(512);
    EXPECT_NE(twin.lastOutput(), twin.lastInput());
    MemoryStream toProcessor(bypassed);
    ASSERT_EQ(twin.driver.component().setState(&toProcessor), kResultOk);
    twin.model->setParameter(Ryvel::kBypassId, 1.0);
    MemoryStream again(bypassed);
    ASSERT_EQ(controller->setComponentState(&again), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(Ryvel::kBypassId), 1.0);
    twin.run(512);
    EXPECT_EQ(twin.lastOutput(), twin.lastInput());
    twin.expectMatches();
    controller->terminate();
}

TEST_F(ValidatorConformance, EveryParameterValueReadsBackFromItsText)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    auto controller = createController(*factory.get(), driver.component());
    ASSERT_TRUE(controller);
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int32 index = 0; index < controller->getParameterCount(); ++index)
    {
        ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(index, info), kResultOk);
        std::vector<double> values{0.0, 1.0};
        if (info.stepCount == 0)
            values.insert(values.end(), {info.defaultNormalizedValue, 0.5, 0.70710678, 0.99995,
                                         0.123456, unit(rng), unit(rng)});
        for (const double value : values)
        {
            SCOPED_TRACE(testing::Message() << "ID " << info.id << " at " << value);
            String128 text{};
            ASSERT_EQ(controller->getParamStringByValue(info.id, value, text), kResultOk);
            ParamValue back = -1.0;
            ASSERT_EQ(controller->getParamValueByString(info.id, text, back), kResultOk);
            // Switches read back exactly; continuous values to the four decimals shown, and
            // the value read back shows the same text.
            if (info.stepCount == 1)
                EXPECT_EQ(back, value);
            else
                EXPECT_NEAR(back, value, 0.5e-4);
            String128 again{};
            ASSERT_EQ(controller->getParamStringByValue(info.id, back, again), kResultOk);
            EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(again)),
                      std::u16string(reinterpret_cast<const char16_t*>(text)));
        }
    }
    controller->terminate();
}

TEST_F(ValidatorConformance, RandomisedParametersComeBackByteForByteThroughTheState)
{
    ProcessorDriver first(*factory.get(), 44100.0), second(*factory.get(), 44100.0);
    ASSERT_TRUE(first.ready() && second.ready());
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto randomise = [&](ProcessorDriver& driver)
    {
        for (const Ryvel::ParamInfo& info : Ryvel::kParams)
            driver.changes.add(info.id,
                               info.isSwitch() ? static_cast<double>(rng() % 2) : unit(rng));
        return driver.flush(0);
    };
    const std::vector<std::uint8_t> defaults = getState(first.component());
    for (int round = 0; round < 4; ++round)
    {
        SCOPED_TRACE(round);
        ASSERT_EQ(randomise(first), kResultOk);
        const std::vector<std::uint8_t> saved = getState(first.component());
        ASSERT_EQ(saved.size(), 220u);
        EXPECT_NE(saved, defaults); // the random values arrived
        // Loaded into another instance and back into the first after other random values.
        for (ProcessorDriver* driver : {&second, &first})
        {
            ASSERT_EQ(randomise(*driver), kResultOk);
            MemoryStream stream(saved);
            ASSERT_EQ(driver->component().setState(&stream), kResultOk);
            EXPECT_EQ(getState(driver->component()), saved);
        }
    }
}

// The twelve rates of the reference validator, then the highest rate taken, all on one instance
// set up again for each, as a validator does; the lines grow and shrink between them. Each runs
// past the first echo (a sixteenth at 120 BPM, 0.125 s).
TEST_F(ValidatorConformance, TakesEveryRateAValidatorSetsUpAndPlaysItAsTheModelDoes)
{
    Twin twin(*factory.get(), 44100.0, 1024);
    ASSERT_TRUE(twin.driver.ready());
    IComponent& component = twin.driver.component();
    const double rates[] = {22050.0,   32000.0,   44100.0,    48000.0,   88200.0,
                            96000.0,   192000.0,  384000.0,   1234.5678, 12345.678,
                            123456.78, 1234567.8, 2'000'000.0};
    for (const double rate : rates)
    {
        SCOPED_TRACE(rate);
        ASSERT_EQ(component.setActive(false), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, 1024, rate};
        ASSERT_EQ(twin.driver.processor().setupProcessing(setup), kResultOk);
        ASSERT_EQ(component.setActive(true), kResultOk);
        twin.driver.sampleRate = rate;
        twin.restartModel(rate);
        twin.changePattern();
        twin.runBlocks(static_cast<int>(0.15 * rate / 1024.0) + 1, 1024);
        twin.expectMatches();
    }
}

} // namespace
