// SPDX-License-Identifier: GPL-3.0-or-later
// Every kernel variant of the signal path against the scalar reference, bit for bit, over the
// randomised host sessions of DifferentialSessions.h, driven through an in-process VST 3
// processor (its parameter intake sanitises the out-of-range and NaN values), plus the shortcuts
// those sessions must reach: silences long enough for the settled path, resonance 0 for the
// feedback-free ladder.
//
// RYVEL_DIFFERENTIAL_SESSIONS=n runs n sessions per variant instead of the quick default.

#include "DifferentialSessions.h"
#include "ReferenceEcho.h"
#include "TestHost.h"

#include "core/ParameterCatalogue.h"
#include "core/StepEcho.h"
#include "formats/vst3/RyvelProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using namespace Ryvel;
using namespace Ryvel::TestHost;
using namespace Ryvel::Differential;
using Kernel = StepEcho::Kernel;

namespace
{

const char* nameOf(Kernel kernel)
{
    switch (kernel)
    {
    case Kernel::Baseline:
        return "Baseline";
    case Kernel::Avx2:
        return "Avx2";
    case Kernel::Portable:
        return "Portable";
    }
    return "Unknown";
}

// Every variant, whether or not this build and CPU run it: a missing one shows up as skipped.
constexpr Kernel kAllKernels[] = {Kernel::Baseline, Kernel::Avx2, Kernel::Portable};

} // namespace

namespace Ryvel
{
void PrintTo(StepEcho::Kernel kernel, std::ostream* os)
{
    *os << nameOf(kernel);
}
} // namespace Ryvel

namespace
{

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Which shortcuts a run went through, and whether it left the settled one again.
struct Coverage
{
    std::uint64_t settled = 0, feedbackFree = 0, withFeedback = 0, leftSettled = 0;
};

// The session through an in-process processor (the real parameter intake, tempo, transport and
// bypass handling) with the kernel pinned. Returns the first mismatch, or an empty string.
std::string compareKernel(const Session& s, const Outputs& expected, Kernel kernel,
                          Coverage& coverage)
{
    auto* processor = new RyvelProcessor();
    ProcessorDriver driver(Ref<Steinberg::Vst::IComponent>(processor), s.rate, 8192);
    if (!driver.ready())
        return "processor did not set up";
    StepEcho& echo = processor->signalPath();
    if (!echo.useKernel(kernel))
        return "kernel not supported";

    Outputs out{s.left, s.right};
    std::vector<float> scratchL(8192), scratchR(8192);
    std::size_t at = 0;
    bool settledBefore = false;
    for (std::size_t block = 0; block < s.blocks.size(); ++block)
    {
        const BlockPlan& b = s.blocks[block];
        for (const Change& c : b.changes)
            driver.changes.add(c.id, c.value);
        const StepEcho::PathCounts before = echo.pathCounts();
        float* l = out.left.data() + at;
        float* r = out.right.data() + at;
        if (s.inPlace)
            driver.process(l, r, l, r, b.size, b.transport);
        else
        {
            driver.process(l, r, scratchL.data(), scratchR.data(), b.size, b.transport);
            std::copy_n(scratchL.data(), b.size, l);
            std::copy_n(scratchR.data(), b.size, r);
        }
        const StepEcho::PathCounts& after = echo.pathCounts();
        const bool computed =
            after.feedbackFree + after.withFeedback > before.feedbackFree + before.withFeedback;
        if (settledBefore && computed)
            ++coverage.leftSettled;
        if (after.settled > before.settled)
            settledBefore = true;
        else if (computed)
            settledBefore = false;
        at += static_cast<std::size_t>(b.size);
    }
    coverage.settled += echo.pathCounts().settled;
    coverage.feedbackFree += echo.pathCounts().feedbackFree;
    coverage.withFeedback += echo.pathCounts().withFeedback;
    return firstMismatch(s, out, expected);
}

// One instance per variant; those this build or CPU lacks are skipped, not dropped.
class KernelVariant : public ::testing::TestWithParam<Kernel>
{
protected:
    void SetUp() override
    {
        if (!StepEcho::kernelSupported(GetParam()))
            GTEST_SKIP() << "this CPU or build cannot run the kernel";
    }
};

class KernelMatchesReference : public KernelVariant
{
};

std::string kernelName(const ::testing::TestParamInfo<Kernel>& info)
{
    return nameOf(info.param);
}

TEST_P(KernelMatchesReference, BitForBitOverRandomisedHostSessions)
{
    Coverage coverage;
    for (unsigned seed = 1; seed <= sessionCount(); ++seed)
    {
        const Session s = makeSession(seed);
        SCOPED_TRACE(testing::Message()
                     << "session " << seed << ", " << s.rate << " Hz, " << s.blocks.size()
                     << " blocks" << (s.inPlace ? ", in place" : ""));
        const Outputs expected = renderReference(s);
        const std::string mismatch = compareKernel(s, expected, GetParam(), coverage);
        ASSERT_EQ(mismatch, "");
    }
    // Bit equality says little about a shortcut that never ran.
    EXPECT_GT(coverage.settled, 0u);
    EXPECT_GT(coverage.leftSettled, 0u);
    EXPECT_GT(coverage.feedbackFree, 0u);
    EXPECT_GT(coverage.withFeedback, 0u);
}

TEST_P(KernelMatchesReference, TapsClampedToTheOldestFrameOfTheLine)
{
    // Steps longer than the line: step 3 and later read the oldest frame (length - 1 back), and
    // every chunk shrinks to a single frame because a tap reads the frame written next.
    const double rate = 8000.0;
    Reference::ReferenceEcho reference(rate);
    const auto length = reference.delayLength();
    const auto step = static_cast<std::int32_t>(length / 3 + 17);
    reference.forceStepSamples(step);

    StepEcho echo;
    ASSERT_TRUE(echo.useKernel(GetParam()));
    ASSERT_TRUE(echo.allocateDelayLines(rate));
    echo.resetDelayState();
    EchoParams params;
    for (int s : {0, 2, 5, 7})
    {
        params.steps[static_cast<std::size_t>(s)] = true;
        reference.setParameter(static_cast<std::uint32_t>(s), 1.0);
    }
    params.steps[8 + 6] = true;
    reference.setParameter(8 + 6, 1.0);
    echo.updateAllCoeffs(params, rate);

    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(-0.5f, 0.5f);
    const std::size_t total = 2 * length + 1000;
    std::vector<float> inL(total), inR(total);
    for (std::size_t i = 0; i < total; ++i)
    {
        inL[i] = i % 3000 < 200 ? unit(rng) : 0.0f;
        inR[i] = unit(rng);
    }
    std::vector<float> outL(total), outR(total), refL(total), refR(total);
    for (std::size_t at = 0; at < total; at += 4097)
    {
        const auto n = static_cast<std::int32_t>(std::min<std::size_t>(4097, total - at));
        echo.process(params, step, inL.data() + at, inR.data() + at, outL.data() + at,
                     outR.data() + at, n);
        reference.process(inL.data() + at, inR.data() + at, refL.data() + at, refR.data() + at, n);
    }
    for (std::size_t i = 0; i < total; ++i)
    {
        ASSERT_TRUE(sameBits(outL[i], refL[i])) << i;
        ASSERT_TRUE(sameBits(outR[i], refR[i])) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelMatchesReference, ::testing::ValuesIn(kAllKernels),
                         kernelName);

// The saturator skips the square of inputs below 2^-12, where it cannot change a bit; checked
// here on every float from 2^-13 to 2^-11 of both signs, the threshold's neighbourhood, plus
// spot values elsewhere (every float up to 3.5 under RYVEL_DIFFERENTIAL_SESSIONS).
class KernelSaturator : public KernelVariant
{
};

TEST_P(KernelSaturator, EqualsTheDefiningFormulaAroundTheSkippedSquare)
{
    const auto definition = [](float x)
    {
        const float q = x < -3.0f ? -3.0f : (x > 3.0f ? 3.0f : x);
        return q * (q * q + 27.0f) / (9.0f * (q * q) + 27.0f);
    };
    const bool everything = std::getenv("RYVEL_DIFFERENTIAL_SESSIONS") != nullptr;
    const std::uint32_t from = everything ? 0u : std::bit_cast<std::uint32_t>(0x1p-13f);
    const std::uint32_t to =
        everything ? std::bit_cast<std::uint32_t>(3.5f) : std::bit_cast<std::uint32_t>(0x1p-11f);

    std::vector<float> in, out;
    auto check = [&](const std::vector<float>& values)
    {
        out.resize(values.size());
        StepEcho::saturateAsKernel(GetParam(), values.data(), out.data(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_TRUE(sameBits(out[i], definition(values[i])))
                << std::hexfloat << values[i] << " gives " << out[i];
    };

    constexpr std::size_t kBatch = 1 << 16;
    for (std::uint64_t bits = from; bits <= to;)
    {
        in.clear();
        for (; bits <= to && in.size() < kBatch; ++bits)
        {
            in.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
            in.push_back(-in.back());
        }
        check(in);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    check({0.0f, -0.0f, 1e-20f, -1e-20f, 1e-45f, 0.25f, 2.999f, 3.0f, -3.0f, 3.5f, -1e30f, kInf,
           -kInf, kNaN});
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelSaturator, ::testing::ValuesIn(kAllKernels), kernelName);

} // namespace
