// SPDX-License-Identifier: GPL-3.0-or-later
// Internals a host cannot observe: delay-line length, step length and the shared playhead.

#include "TestHost.h"

#include "formats/vst3/RyvelProcessor.h"
#include "formats/vst3/RyvelShared.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

using namespace Ryvel;
using namespace Ryvel::TestHost;

namespace
{

struct InProcess
{
    explicit InProcess(double rate)
        : processor(new RyvelProcessor()), driver(Ref<Steinberg::Vst::IComponent>(processor), rate)
    {
    }
    RyvelProcessor* processor; // owned through the driver's reference
    ProcessorDriver driver;
    std::vector<float> in = std::vector<float>(8192, 0.0f);
    std::vector<float> out = std::vector<float>(8192, 0.0f);

    void run(int n, Transport transport = {})
    {
        driver.process(in.data(), in.data(), out.data(), out.data(), n, transport);
    }
    int playhead() const { return RyvelShared::playheadStep.load(); }
};

// Up to the highest rate taken the line length, the tail and the half-second step (what 10 BPM
// asks for) stay exact.
TEST(ProcessorInternals, DelayLinesHoldFourSecondsPlus4096SamplesUpToTheHighestRate)
{
    struct Case
    {
        double rate;
        std::size_t length;
        std::int32_t halfSecond;
    };
    const Case cases[] = {
        {48000.0, 196096u, 24000}, {1234567.8, 4942367u, 617283}, {2'000'000.0, 8004096u, 1000000}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.rate);
        InProcess p(c.rate);
        ASSERT_TRUE(p.driver.ready());
        EXPECT_EQ(p.processor->delayLineLength(), c.length);
        EXPECT_EQ(p.processor->getTailSamples(), c.length);
        p.run(0, Transport{10.0, true, false});
        EXPECT_EQ(p.processor->currentStepSamples(), c.halfSecond);
    }
}

TEST(ProcessorInternals, StepLengthFollowsTempoWithLimitsAndHysteresis)
{
    InProcess p(44100.0);
    struct Case
    {
        double tempo;
        int expected;
    };
    // 120.005 is within 0.01 BPM of 120 and keeps the step; 120.02 recomputes it. 10 BPM is
    // treated as 20, which would be 33075 samples, so the half-second limit wins.
    const Case cases[] = {{120.0, 5512}, {120.005, 5512}, {120.02, 5511},
                          {10.0, 22050}, {120.0, 5512},   {300.0, 2205}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.tempo);
        p.run(0, Transport{c.tempo, true, false});
        EXPECT_EQ(p.processor->currentStepSamples(), c.expected);
    }
    // No context, or a tempo the host marks invalid, leaves the step alone.
    p.driver.process(nullptr, nullptr, nullptr, nullptr, 0, std::nullopt);
    p.run(0, Transport{90.0, false, false});
    EXPECT_EQ(p.processor->currentStepSamples(), 2205);
}

TEST(ProcessorInternals, PlayheadCountsStepsFromTheStartOfPlayback)
{
    InProcess p(44100.0);
    p.run(16, Transport{120.0, true, false});
    EXPECT_EQ(p.playhead(), -1);

    p.run(1);
    EXPECT_EQ(p.playhead(), 0); // the first played sample
    p.run(5510);
    EXPECT_EQ(p.playhead(), 0); // 5511 samples played
    p.run(1);
    EXPECT_EQ(p.playhead(), 1); // the 5512th
    // Odd block sizes must not change where the steps fall.
    int played = 5512;
    while (played + 997 < 44095)
    {
        p.run(997);
        played += 997;
        EXPECT_EQ(p.playhead(), (played / 5512) % 8);
    }
    p.run(44095 - played);
    EXPECT_EQ(p.playhead(), 7);
    p.run(1);
    EXPECT_EQ(p.playhead(), 0); // the 44096th wraps the cycle

    // Bypass freezes the clock and the published step.
    p.run(6000);
    EXPECT_EQ(p.playhead(), 1);
    p.driver.changes.add(kBypassId, 1.0);
    p.run(8000);
    EXPECT_EQ(p.playhead(), 1);

    // Stopping publishes -1 even while bypassed; restarting begins at step 0 again.
    p.run(64, Transport{120.0, true, false});
    EXPECT_EQ(p.playhead(), -1);
    p.driver.changes.add(kBypassId, 0.0);
    p.run(64);
    EXPECT_EQ(p.playhead(), 0);
    // A zero-sample block does not touch the transport state.
    p.run(0, Transport{120.0, true, false});
    EXPECT_EQ(p.playhead(), 0);

    p.driver.component().setActive(false);
    EXPECT_EQ(p.playhead(), -1);
}

TEST(ProcessorInternals, ParameterIntakeAppliesLawsAndRejectsHostileValues)
{
    InProcess p(44100.0);
    auto& changes = p.driver.changes;
    changes.add(0, 0.5);    // exactly 0.5 is on
    changes.add(1, 0.4999); // just below is off
    changes.add(129, std::numeric_limits<double>::quiet_NaN());
    changes.add(137, 1.5);
    changes.add(145, -1.0);
    changes.add(40, 1.0);   // not a parameter
    changes.add(168, 1.0);  // past the highest ID
    changes.add(146, -0.0); // equal to the held +0 in value, not in bits: taken as sent
    changes.add(162, 0.1);
    changes.add(162, 0.2);
    changes.add(162, 0.3); // three points in one queue: the last wins
    p.run(0);

    const EchoParams& params = p.processor->currentParams();
    EXPECT_TRUE(params.steps[0]);
    EXPECT_FALSE(params.steps[1]);
    EXPECT_EQ(params.gain[1], 0.7f);
    EXPECT_EQ(params.pan[1], 1.0f);
    EXPECT_EQ(params.drive[1], 0.0f);
    EXPECT_TRUE(std::signbit(params.drive[2]));
    EXPECT_EQ(params.mix, 0.3f);
}

} // namespace
