// SPDX-License-Identifier: GPL-3.0-or-later
// What the echo sounds like, measured through the real module: tap positions and gains from
// clicks, pan and mix laws, the drive stage's ceiling, tempo changes, block-size invariance and
// the coefficient limits.

#include "TestHost.h"
#include "TestSignals.h"

#include "core/ParameterCatalogue.h"
#include "core/StepEcho.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace Ryvel;
using namespace Ryvel::TestHost;
using Steinberg::IPluginFactory;

namespace
{

constexpr float kHalfPi = 1.5707964f;

using Ryvel::Testing::noise;

float peak(const std::vector<float>& x, std::size_t from, std::size_t to)
{
    float p = 0.0f;
    for (std::size_t i = from; i < std::min(to, x.size()); ++i)
        p = std::max(p, std::fabs(x[i]));
    return p;
}

std::size_t loudest(const std::vector<float>& x)
{
    std::size_t at = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (std::fabs(x[i]) > std::fabs(x[at]))
            at = i;
    return at;
}

class SignalPath : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << module.error(); }

    // A fresh instance with the given changes in its first block.
    struct Run
    {
        std::vector<float> left, right;
    };
    Run render(double rate, const std::vector<std::pair<ParamId, double>>& changes,
               const std::vector<float>& inL, const std::vector<float>& inR, int blockSize = 512)
    {
        ProcessorDriver driver(*factory.get(), rate);
        EXPECT_TRUE(driver.ready());
        for (const auto& [id, value] : changes)
            driver.changes.add(id, value);
        Run out;
        driver.processBuffer(inL, inR, out.left, out.right, blockSize);
        return out;
    }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory = module.factory();
};

TEST_F(SignalPath, AllStepsOffLeavesTheDryInputScaledByTheMixCosine)
{
    const auto inL = noise(20000, 1), inR = noise(20000, 2);
    for (double mix : {0.0, 0.25, 0.5, 0.75, 1.0})
    {
        SCOPED_TRACE(mix);
        const Run out = render(44100.0, {{kMixId, mix}}, inL, inR);
        const float dryGain = std::cos(static_cast<float>(mix) * kHalfPi);
        for (std::size_t i = 0; i < inL.size(); ++i)
        {
            // Only the anti-denormal offsets pass the voices: far below any audible level.
            ASSERT_NEAR(out.left[i], inL[i] * dryGain, 1e-12f) << i;
            ASSERT_NEAR(out.right[i], inR[i] * dryGain, 1e-12f) << i;
        }
    }
}

TEST_F(SignalPath, OneClickOnVoiceOneStepThreeReturnsOnceThreeStepsLaterInBothChannels)
{
    // 44.1 kHz, 120 BPM: a step is 5512 samples, step 3 is 16536 samples late.
    const std::size_t click = 1000, echo = click + 16536;
    std::vector<float> in(echo + 30000, 0.0f);
    in[click] = 0.01f;
    const Run out = render(44100.0, {{stepId(0, 2), 1.0}, {kMixId, 1.0}}, in, in);

    EXPECT_EQ(out.left, out.right);
    const std::size_t at = loudest(out.left);
    EXPECT_GE(at, echo);
    EXPECT_LE(at, echo + 2);
    EXPECT_LT(peak(out.left, 0, echo), 1e-9f);

    // The 20 kHz low-pass spreads the click over a few samples with unit area; the 20 Hz
    // high-pass takes away a few per cent of it in that time.
    const float expected = 0.01f * 0.7f * std::sqrt(0.5f);
    float area = 0.0f;
    for (std::size_t i = echo; i < echo + 12; ++i)
        area += out.left[i];
    EXPECT_NEAR(area, expected, 0.04f * expected);
    // Once: no other step answers, only the slow recovery of the 20 Hz high-pass remains.
    EXPECT_LT(peak(out.left, echo + 64, out.left.size()), 0.01f * std::fabs(out.left[at]));
}

TEST_F(SignalPath, PanAtEitherEndSilencesTheVoiceOnTheOtherSide)
{
    const auto in = noise(15000, 3);
    struct Case
    {
        double pan;
        bool leftSilent;
    };
    for (const Case c : {Case{0.0, false}, Case{1.0, true}})
    {
        SCOPED_TRACE(c.pan);
        const Run out = render(
            44100.0, {{stepId(1, 0), 1.0}, {voiceParamId(ParamKind::Pan, 1), c.pan}, {kMixId, 1.0}},
            in, in);
        const auto& silent = c.leftSilent ? out.left : out.right;
        const auto& loud = c.leftSilent ? out.right : out.left;
        // What remains there is the dry input times cos(pi/2) in single precision (-4.4e-8).
        const float dryGain = std::cos(kHalfPi);
        for (std::size_t i = 0; i < in.size(); ++i)
            ASSERT_NEAR(silent[i], in[i] * dryGain, 1e-12f) << i;
        EXPECT_GT(peak(loud, 5512, loud.size()), 0.2f);
    }
}

TEST_F(SignalPath, DriveAtMaximumKeepsEachVoiceWithinItsGainTimesPanFactor)
{
    // A full-scale square at a quarter of the rate lands in phase on all eight taps (a step is
    // a multiple of four samples), pushed by resonance and drive: the voice saturates to +-1
    // before gain and pan. Its zero mean keeps the 20 Hz high-pass from adding anything.
    std::vector<float> in(30000);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = (i / 2) % 2 == 0 ? 1.0f : -1.0f;
    struct Case
    {
        double gain, pan;
    };
    for (const Case c : {Case{1.0, 0.5}, Case{0.7, 0.2}, Case{0.35, 0.9}})
    {
        SCOPED_TRACE(testing::Message() << "gain " << c.gain << " pan " << c.pan);
        std::vector<std::pair<ParamId, double>> changes = {{kMixId, 1.0}};
        for (int s = 0; s < kNumSteps; ++s)
            changes.push_back({stepId(2, s), 1.0});
        changes.push_back({voiceParamId(ParamKind::Gain, 2), c.gain});
        changes.push_back({voiceParamId(ParamKind::Pan, 2), c.pan});
        changes.push_back({voiceParamId(ParamKind::Drive, 2), 1.0});
        changes.push_back({voiceParamId(ParamKind::Reso, 2), 1.0});
        const Run out = render(44100.0, changes, in, in);

        const float p = static_cast<float>(c.pan), g = static_cast<float>(c.gain);
        const float leftLimit = g * std::sqrt(1.0f - p), rightLimit = g * std::sqrt(p);
        EXPECT_LE(peak(out.left, 0, out.left.size()), leftLimit * 1.01f);
        EXPECT_LE(peak(out.right, 0, out.right.size()), rightLimit * 1.01f);
        EXPECT_GE(peak(out.left, 5512, out.left.size()), leftLimit * 0.98f);
        EXPECT_GE(peak(out.right, 5512, out.right.size()), rightLimit * 0.98f);
    }
}

TEST_F(SignalPath, ATempoChangeMovesEchoesAlreadyInTheDelayLines)
{
    // The click is in the buffer when the tempo halves: its echo comes one new step (11025
    // samples at 60 BPM) after it, and nothing arrives on the old grid.
    ProcessorDriver driver(*factory.get(), 44100.0);
    driver.changes.add(stepId(0, 0), 1.0);
    driver.changes.add(kMixId, 1.0);
    std::vector<float> in(16384, 0.0f), outL(in.size()), outR(in.size());
    in[100] = 0.01f;
    const int block = 512;
    for (std::size_t start = 0; start < in.size(); start += block)
    {
        const double tempo = start < 4096 ? 120.0 : 60.0;
        driver.process(in.data() + start, in.data() + start, outL.data() + start,
                       outR.data() + start, block, Transport{tempo, true, true});
    }
    const std::size_t at = loudest(outL);
    EXPECT_GE(at, 100u + 11025u);
    EXPECT_LE(at, 100u + 11027u);
    EXPECT_LT(peak(outL, 0, 100 + 11025), 1e-9f);
}

TEST_F(SignalPath, BlockSizeDoesNotChangeTheOutputWhenParametersStandStill)
{
    const auto inL = noise(44100, 6), inR = noise(44100, 7);
    std::vector<std::pair<ParamId, double>> changes = {{stepId(0, 0), 1.0}, {stepId(1, 3), 1.0},
                                                       {stepId(2, 1), 1.0}, {stepId(3, 6), 1.0},
                                                       {kMixId, 0.7},       {kHighPassId, 0.4}};
    for (int v = 0; v < kNumVoices; ++v)
    {
        changes.push_back({voiceParamId(ParamKind::Filter, v), 0.3 + 0.2 * v});
        changes.push_back({voiceParamId(ParamKind::Reso, v), 0.25 * v});
        changes.push_back({voiceParamId(ParamKind::Drive, v), 0.3 * v});
    }
    const Run reference = render(44100.0, changes, inL, inR, 4096);
    for (int blockSize : {1, 7, 64, 512})
    {
        SCOPED_TRACE(blockSize);
        const Run out = render(44100.0, changes, inL, inR, blockSize);
        EXPECT_EQ(out.left, reference.left);
        EXPECT_EQ(out.right, reference.right);
    }
}

TEST(StepEchoCoefficients, CutoffsFollowTheirLawsAndStopBelowNyquist)
{
    struct Case
    {
        double rate;
        float filter, highpass;
        float cutoff, highpassCutoff; // Hz
    };
    // 0.49 times the rate caps both filters: 15680 Hz at 32 kHz, 1960 Hz at 4 kHz.
    const Case cases[] = {
        {32000.0, 1.0f, 1.0f, 15680.0f, 2500.0f},
        {48000.0, 1.0f, 0.0f, 20000.0f, 20.0f},
        {44100.0, 0.0f, 1.0f, 20.0f, 2500.0f},
        {4000.0, 1.0f, 1.0f, 1960.0f, 1960.0f},
        {96000.0, 2.0f / 3.0f, 0.5f, 2000.0f, 20.0f * std::sqrt(125.0f)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, filter " << c.filter);
        EchoParams params;
        params.filter[1] = c.filter;
        params.reso[1] = 1.0f;
        params.highpass = c.highpass;
        StepEcho echo;
        echo.updateAllCoeffs(params, c.rate);

        const float fs = static_cast<float>(c.rate);
        const float t = std::tan(c.cutoff * 3.1415927f / fs);
        const float th = std::tan(c.highpassCutoff * 3.1415927f / fs);
        // The power laws may land an ulp or so from the round figure, never a whole hertz.
        EXPECT_NEAR(echo.ladderG(1), t / (t + 1.0f), 2e-6f);
        if (c.cutoff == 0.49f * fs)
        {
            EXPECT_EQ(echo.ladderG(1), t / (t + 1.0f));
        }
        EXPECT_NEAR(echo.highpassCoeff(), th / (1.0f + th), 2e-6f);
        EXPECT_EQ(echo.ladderK(1), 3.9f);
        EXPECT_EQ(echo.ladderK(0), 0.0f);
    }
}

} // namespace
