// SPDX-License-Identifier: GPL-3.0-or-later
// Every kernel variant of the signal path against the scalar reference, bit for bit, over
// randomised host sessions: rates from 8 to 192 kHz, blocks of 1 to 8192 samples, every
// parameter family moving (out-of-range and NaN values included, sanitised by the processor's own
// intake), tempo jumps, transport and bypass changes, in-place buffers, silences long enough for
// the settled shortcut, resonance 0 for the feedback-free ladder, and NaN, infinite, subnormal,
// offset-sized and huge input.
//
// RYVEL_DIFFERENTIAL_SESSIONS=n runs n sessions per variant instead of the quick default.

#include "ReferenceEcho.h"
#include "TestHost.h"

#include "engine/ParameterCatalogue.h"
#include "engine/RyvelProcessor.h"
#include "engine/StepEcho.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace Ryvel;
using namespace Ryvel::TestHost;
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
constexpr float kMax = std::numeric_limits<float>::max();

struct Change
{
    std::uint32_t id;
    double value;
};

struct BlockPlan
{
    int size;
    std::vector<Change> changes;
    std::optional<Transport> transport;
};

struct Session
{
    unsigned seed;
    double rate;
    bool inPlace;
    std::vector<BlockPlan> blocks;
    std::vector<float> left, right;
};

std::size_t sessionCount()
{
    if (const char* n = std::getenv("RYVEL_DIFFERENTIAL_SESSIONS"))
        return static_cast<std::size_t>(std::max(1L, std::strtol(n, nullptr, 10)));
    return 12;
}

// Input as a chain of segments of the kinds that take different paths through the kernel.
void appendInput(Session& s, std::mt19937& rng, std::size_t total)
{
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<double> seconds(0.01, 0.3);
    std::uniform_int_distribution<int> kind(0, 10);
    // Half of the sessions open with offset-sized input: the recursive states hold nothing
    // larger yet, so the offset's sign reaches the output in every path.
    bool opening = rng() % 2 == 0;
    while (s.left.size() < total)
    {
        const auto n =
            std::min(total - s.left.size(),
                     static_cast<std::size_t>((opening ? 0.5 : seconds(rng)) * s.rate) + 1);
        const int k = opening ? 7 : kind(rng);
        opening = false;
        for (std::size_t i = 0; i < n; ++i)
        {
            float l = 0.0f, r = 0.0f;
            switch (k)
            {
            case 0:
            case 1:
                l = 0.5f * unit(rng);
                r = 0.5f * unit(rng);
                break;
            case 2:
                l = 4.0f * unit(rng); // overdrives both saturators
                r = -l;
                break;
            case 3:
                l = 1e-3f * unit(rng);
                r = 1e-3f * unit(rng);
                break;
            case 4:
                l = 1e-40f * unit(rng); // subnormal input
                r = 1e-41f;
                break;
            case 5:
                l = r = i % 997 == 0 ? 0.25f : 0.0f;
                break;
            case 7:
                // As small as the anti-denormal offset: the wet sum is then decided by the
                // offset's sign, sample by sample.
                l = 3e-20f * unit(rng);
                r = 1e-19f * unit(rng);
                break;
            case 6:
            {
                // Hostile samples inside ordinary noise.
                const float hostile[] = {kNaN, kInf, -kInf, kMax, -kMax, -0.0f};
                l = 0.3f * unit(rng);
                r = i % 211 == 0 ? hostile[(i / 211) % 6] : 0.3f * unit(rng);
                if (i % 1009 == 0)
                    l = hostile[(i / 1009 + 2) % 6];
                break;
            }
            default:
                break; // silence, often long enough for the voices to settle
            }
            s.left.push_back(l);
            s.right.push_back(r);
        }
    }
}

double pickValue(std::mt19937& rng)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double odd[] = {
        0.0, 1.0, 0.5, 0.4999, -0.0, -0.25, 1.5, 1e9, std::numeric_limits<double>::quiet_NaN()};
    if (unit(rng) < 0.3)
        return odd[std::uniform_int_distribution<std::size_t>(0, 8)(rng)];
    return unit(rng);
}

std::vector<Change> randomChanges(std::mt19937& rng, bool resonanceOff)
{
    std::uniform_int_distribution<int> family(0, 12);
    std::uniform_int_distribution<int> voice(0, 3);
    std::vector<Change> out;
    const int v = voice(rng);
    switch (family(rng))
    {
    case 0:
    case 1:
        out.push_back({stepId(v, voice(rng) * 2 + voice(rng) % 2), pickValue(rng)});
        break;
    case 2:
        // A whole pattern at once, as a preset load does; sometimes every step off.
        for (int s = 0; s < kNumSteps * kNumVoices; ++s)
            out.push_back({static_cast<std::uint32_t>(s), rng() % 3 == 0 ? 1.0 : 0.0});
        break;
    case 3:
        for (int s = 0; s < kNumSteps * kNumVoices; ++s)
            out.push_back({static_cast<std::uint32_t>(s), 0.0});
        break;
    case 4:
        out.push_back({voiceParamId(ParamKind::Gain, v), pickValue(rng)});
        break;
    case 5:
        out.push_back({voiceParamId(ParamKind::Pan, v), pickValue(rng)});
        break;
    case 6:
        out.push_back({voiceParamId(ParamKind::Drive, v), pickValue(rng)});
        break;
    case 7:
        out.push_back({voiceParamId(ParamKind::Filter, v), pickValue(rng)});
        if (!resonanceOff)
            out.push_back({voiceParamId(ParamKind::Reso, v), pickValue(rng)});
        break;
    case 8:
        if (!resonanceOff)
            out.push_back({voiceParamId(ParamKind::Reso, v), pickValue(rng)});
        break;
    case 9:
        // Resonance off on every voice: the ladder loses its feedback term.
        for (int w = 0; w < kNumVoices; ++w)
            out.push_back({voiceParamId(ParamKind::Reso, w), 0.0});
        break;
    case 10:
        out.push_back({kMixId, pickValue(rng)});
        break;
    case 11:
        out.push_back({kHighPassId, pickValue(rng)});
        break;
    default:
        out.push_back({kBypassId, rng() % 2 == 0 ? 1.0 : 0.0});
        break;
    }
    return out;
}

Session makeSession(unsigned seed)
{
    std::mt19937 rng(seed);
    Session s;
    s.seed = seed;
    const double rates[] = {8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0};
    s.rate = rng() % 3 == 0 ? std::uniform_real_distribution<double>(8000.0, 192000.0)(rng)
                            : rates[rng() % 7];
    s.inPlace = rng() % 2 == 0;
    // Some sessions keep resonance at 0 throughout (feedback-free ladder, settling voices).
    const bool resonanceOff = rng() % 3 == 0;

    // Fixed block sizes, odd ones among them, or a different size every block.
    const int fixedSizes[] = {1, 3, 32, 33, 64, 255, 256, 1024, 4097, 8192};
    const int fixed = rng() % 3 == 0 ? 0 : fixedSizes[rng() % 10];
    const auto total = static_cast<std::size_t>(
        s.rate * std::uniform_real_distribution<double>(0.4, fixed == 1 ? 0.6 : 1.2)(rng));
    appendInput(s, rng, total);

    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double tempo = 120.0 + 360.0 * unit(rng); // fast tempi bring the echoes in quickly
    bool playing = true;
    BlockPlan first{0, {}, Transport{tempo, true, true}};
    for (int v = 0; v < kNumVoices; ++v)
    {
        first.changes.push_back({stepId(v, static_cast<int>(rng() % 8)), 1.0});
        first.changes.push_back({stepId(v, static_cast<int>(rng() % 8)), 1.0});
        if (!resonanceOff)
            first.changes.push_back({voiceParamId(ParamKind::Reso, v), unit(rng)});
        first.changes.push_back({voiceParamId(ParamKind::Filter, v), 0.3 + 0.7 * unit(rng)});
    }
    first.changes.push_back({kMixId, 0.7});

    std::size_t done = 0;
    bool isFirst = true;
    while (done < total)
    {
        BlockPlan b = isFirst ? first : BlockPlan{0, {}, Transport{tempo, true, playing}};
        isFirst = false;
        const int size =
            fixed != 0 ? fixed
                       : static_cast<int>(std::exp(unit(rng) * std::log(8192.0))); // 1 .. 8192
        b.size =
            static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(size), total - done));
        // About one host event every 30 ms.
        if (unit(rng) < static_cast<double>(b.size) / (0.03 * s.rate))
        {
            if (unit(rng) < 0.15)
            {
                const double tempi[] = {tempo + 0.005, 20.0, 10.0, 97.3, 183.7, 300.0, 480.0};
                tempo = tempi[rng() % 7];
                b.transport->tempo = tempo;
            }
            else if (unit(rng) < 0.1)
            {
                playing = !playing;
                b.transport->playing = playing;
            }
            else if (unit(rng) < 0.1)
                b.transport->tempoValid = false; // a tempo the plug-in must ignore
            else if (unit(rng) < 0.1)
                b.transport.reset(); // no process context at all
            else
                b.changes = randomChanges(rng, resonanceOff);
        }
        if (b.transport && !b.transport->tempoValid)
            b.transport->tempo = unit(rng) < 0.5 ? 1000.0 : std::nan("");
        done += static_cast<std::size_t>(b.size);
        s.blocks.push_back(std::move(b));
    }
    return s;
}

bool sameBits(float a, float b)
{
    // NaN payloads are not defined: any NaN matches any NaN.
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

struct Outputs
{
    std::vector<float> left, right;
};

Outputs renderReference(const Session& s)
{
    Reference::ReferenceEcho reference(s.rate);
    Outputs out{s.left, s.right};
    std::size_t at = 0;
    for (const BlockPlan& b : s.blocks)
    {
        for (const Change& c : b.changes)
            reference.setParameter(c.id, c.value);
        if (b.transport && b.transport->tempoValid)
            reference.hostTempo(b.transport->tempo);
        reference.process(out.left.data() + at, out.right.data() + at, out.left.data() + at,
                          out.right.data() + at, b.size);
        at += static_cast<std::size_t>(b.size);
    }
    return out;
}

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

        for (int i = 0; i < b.size; ++i)
        {
            const std::size_t j = at + static_cast<std::size_t>(i);
            if (!sameBits(out.left[j], expected.left[j]) ||
                !sameBits(out.right[j], expected.right[j]))
            {
                std::ostringstream message;
                message << std::hexfloat << "sample " << j << " (block " << block << " of "
                        << b.size << "): " << out.left[j] << " " << out.right[j] << " instead of "
                        << expected.left[j] << " " << expected.right[j];
                return message.str();
            }
        }
        at += static_cast<std::size_t>(b.size);
    }
    coverage.settled += echo.pathCounts().settled;
    coverage.feedbackFree += echo.pathCounts().feedbackFree;
    coverage.withFeedback += echo.pathCounts().withFeedback;
    return {};
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
