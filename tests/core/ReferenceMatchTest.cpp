// SPDX-License-Identifier: GPL-3.0-or-later
// The production signal path, driven through the real module, against the plain scalar model in
// reference/: the output is defined to the bit, so any reordering, fused multiply-add or
// "harmless" simplification in an optimised path shows up here as a mismatch.

#include "ReferenceEcho.h"
#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <vector>

using namespace Ryvel;
using namespace Ryvel::TestHost;
using Steinberg::IPluginFactory;

namespace
{

struct Change
{
    std::uint32_t id;
    double value;
};

// Something the host does at a moment of the session; it reaches the plug-in with the first
// block that contains that moment.
struct Event
{
    std::size_t at;
    std::vector<Change> changes;
    std::optional<double> tempo;
};

struct Stereo
{
    std::vector<float> left, right;
};

struct Rendered
{
    Stereo module, reference;
};

// Runs the module and the reference side by side over the same blocks, changes and tempi.
Rendered renderBoth(IPluginFactory& factory, double rate, int blockSize, const Stereo& in,
                    const std::vector<Event>& events)
{
    ProcessorDriver driver(factory, rate, blockSize);
    EXPECT_TRUE(driver.ready());
    Reference::ReferenceEcho reference(rate);
    const std::size_t total = in.left.size();
    Rendered out;
    for (Stereo* s : {&out.module, &out.reference})
    {
        s->left.assign(total, 0.0f);
        s->right.assign(total, 0.0f);
    }

    double tempo = 120.0;
    std::size_t next = 0;
    for (std::size_t start = 0; start < total; start += static_cast<std::size_t>(blockSize))
    {
        const std::size_t n = std::min(total - start, static_cast<std::size_t>(blockSize));
        for (; next < events.size() && events[next].at < start + n; ++next)
        {
            for (const Change& c : events[next].changes)
            {
                driver.changes.add(c.id, c.value);
                reference.setParameter(c.id, c.value);
            }
            if (events[next].tempo)
                tempo = *events[next].tempo;
        }
        reference.hostTempo(tempo);
        driver.process(in.left.data() + start, in.right.data() + start,
                       out.module.left.data() + start, out.module.right.data() + start,
                       static_cast<int>(n), Transport{tempo, true, true});
        reference.process(in.left.data() + start, in.right.data() + start,
                          out.reference.left.data() + start, out.reference.right.data() + start,
                          static_cast<int>(n));
    }
    return out;
}

bool sameBits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

// The first sample where the two channels differ in any bit, or -1.
long firstMismatch(const std::vector<float>& a, const std::vector<float>& b, std::size_t from = 0)
{
    if (a.size() != b.size())
        return 0;
    for (std::size_t i = from; i < a.size(); ++i)
        if (!sameBits(a[i], b[i]))
            return static_cast<long>(i);
    return -1;
}

void expectBitIdentical(const Rendered& r, std::size_t from = 0)
{
    const long left = firstMismatch(r.module.left, r.reference.left, from);
    const long right = firstMismatch(r.module.right, r.reference.right, from);
    EXPECT_EQ(left, -1) << "module " << r.module.left[static_cast<std::size_t>(left)]
                        << " reference " << r.reference.left[static_cast<std::size_t>(left)];
    EXPECT_EQ(right, -1) << "module " << r.module.right[static_cast<std::size_t>(right)]
                         << " reference " << r.reference.right[static_cast<std::size_t>(right)];
}

// Noise with the situations that stress a signal path: quiet passages, silence (the
// anti-denormal offsets take over), overdriven passages and the largest finite values.
Stereo hostileNoise(double rate, double seconds, unsigned seed)
{
    const auto total = static_cast<std::size_t>(rate * seconds);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    Stereo in;
    in.left.resize(total);
    in.right.resize(total);
    for (std::size_t i = 0; i < total; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        float level = 0.5f;
        if (t >= 1.2 && t < 1.5)
            level = 0.0f;
        else if (t >= 1.5 && t < 1.9)
            level = 4.0f;
        else if (t >= 1.9 && t < 1.92)
            level = std::numeric_limits<float>::max();
        else if (t >= 1.92)
            level = 0.05f;
        in.left[i] = level * unit(rng);
        in.right[i] = level * unit(rng);
    }
    return in;
}

// A busy session: an initial pattern with echoes from the first sixteenth on, then every 40 ms
// some host change from every family, extremes included.
std::vector<Event> busySession(double rate, double seconds, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto pick = [&](std::initializer_list<double> options)
    {
        std::uniform_int_distribution<std::size_t> index(0, options.size() - 1);
        return *(options.begin() + index(rng));
    };

    std::vector<Event> events;
    Event first{0, {}, 120.0};
    for (std::uint32_t id : {0u, 2u, 9u, 13u, 18u, 21u, 31u, 24u})
        first.changes.push_back({id, 1.0});
    first.changes.push_back({kMixId, 0.8});
    events.push_back(first);

    const auto spacing = static_cast<std::size_t>(rate / 25.0);
    const auto total = static_cast<std::size_t>(rate * seconds);
    for (std::size_t at = 7 * spacing; at < total; at += spacing)
    {
        Event e{at + static_cast<std::size_t>(unit(rng) * 300.0), {}, std::nullopt};
        const int voice = static_cast<int>(unit(rng) * 4.0) % 4;
        const double value = unit(rng) < 0.4 ? pick({0.0, 0.25, 0.5, 1.0}) : unit(rng);
        switch (static_cast<int>(unit(rng) * 11.0))
        {
        case 0:
        case 1:
            e.changes.push_back({static_cast<std::uint32_t>(unit(rng) * 32.0) % 32u,
                                 pick({0.0, 1.0, 0.5, 0.4999})});
            break;
        case 2:
            e.changes.push_back({voiceParamId(ParamKind::Gain, voice), value});
            break;
        case 3:
            e.changes.push_back({voiceParamId(ParamKind::Pan, voice), value});
            break;
        case 4:
            e.changes.push_back({voiceParamId(ParamKind::Drive, voice), value});
            break;
        case 5:
            // Filter and resonance together, as a preset or a knob pair would move them.
            e.changes.push_back({voiceParamId(ParamKind::Filter, voice), value});
            e.changes.push_back({voiceParamId(ParamKind::Reso, voice), unit(rng)});
            break;
        case 6:
            e.changes.push_back({voiceParamId(ParamKind::Reso, voice), value});
            break;
        case 7:
            e.changes.push_back({kMixId, pick({0.3, 0.5, 1.0, unit(rng)})});
            break;
        case 8:
            e.changes.push_back({kHighPassId, value});
            break;
        case 9:
            e.tempo = pick({120.0, 120.005, 97.3, 140.0, 10.0, 60.0, 183.7});
            break;
        default:
            // A short bypass: the delay lines freeze and play out afterwards.
            e.changes.push_back({kBypassId, 1.0});
            events.push_back(e);
            e = Event{e.at + spacing / 3, {{kBypassId, 0.0}}, std::nullopt};
            break;
        }
        events.push_back(e);
    }

    // Meanwhile a filter sweep with resonance: many coefficient sets, where a different order
    // of operations in the coefficient cache would surface.
    const auto sweepSpacing = static_cast<std::size_t>(rate / 100.0);
    for (std::size_t at = sweepSpacing, k = 0; at < total; at += sweepSpacing, ++k)
    {
        const int voice = static_cast<int>(k % 4);
        events.push_back({at,
                          {{voiceParamId(ParamKind::Filter, voice), unit(rng)},
                           {voiceParamId(ParamKind::Reso, voice), unit(rng)}},
                          std::nullopt});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.at < b.at; });
    return events;
}

struct MatchCase
{
    double rate;
    int blockSize;
    double seconds = 3.0;
};

void PrintTo(const MatchCase& c, std::ostream* os)
{
    *os << c.rate << " Hz, blocks of " << c.blockSize << ", " << c.seconds << " s";
}

class WithModule : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(module.loaded()) << module.error(); }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory = module.factory();
};

class ProductionMatchesReference : public WithModule,
                                   public ::testing::WithParamInterface<MatchCase>
{
};

using NonFiniteInput = WithModule;

TEST_P(ProductionMatchesReference, BitForBitOverSecondsOfNoiseWithEveryParameterFamilyMoving)
{
    const MatchCase c = GetParam();
    const double seconds = c.seconds;
    const Stereo in = hostileNoise(c.rate, seconds, 11);
    const Rendered r =
        renderBoth(*factory.get(), c.rate, c.blockSize, in, busySession(c.rate, seconds, 23));
    expectBitIdentical(r);

    // The comparison means something only if the echoes were audible: before the first mix
    // change (0.28 s) the dry part is known.
    const auto window = static_cast<std::size_t>(0.25 * c.rate);
    double wet = 0.0;
    for (std::size_t i = 0; i < window; ++i)
        wet += std::fabs(r.module.left[i] - in.left[i] * std::cos(0.8f * 1.5707964f));
    EXPECT_GT(wet / static_cast<double>(window), 0.002);
}

// 32 kHz also exercises the cutoff limit (0.49 times the rate is below 20 kHz there). The two
// outer rates a validator sets up: at 1234.5678 Hz every cutoff is limited and the session wraps
// the delay line twice; at 1234567.8 Hz the line holds almost five million frames and the
// session wraps it once.
INSTANTIATE_TEST_SUITE_P(RatesAndBlockSizes, ProductionMatchesReference,
                         ::testing::Values(MatchCase{44100.0, 1}, MatchCase{44100.0, 32},
                                           MatchCase{44100.0, 257}, MatchCase{32000.0, 257},
                                           MatchCase{96000.0, 32}, MatchCase{1234.5678, 64, 16.0},
                                           MatchCase{1234567.8, 4096, 4.5}),
                         [](const auto& info)
                         {
                             return std::to_string(static_cast<int>(info.param.rate)) + "Hz" +
                                    std::to_string(info.param.blockSize);
                         });

TEST_F(NonFiniteInput, IsForgottenOnceItHasLeftTheDelayLines)
{
    // 20 BPM makes every step half a second: the last tap reads four seconds back.
    const double rate = 44100.0;
    const double seconds = 5.5;
    Stereo in;
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * rate); ++i)
    {
        in.left.push_back(0.3f * std::sin(static_cast<float>(i) * 0.01f));
        in.right.push_back(0.3f * std::cos(static_cast<float>(i) * 0.013f));
    }
    const std::size_t bad = 20000;
    in.left[bad] = std::numeric_limits<float>::quiet_NaN();
    in.right[bad + 1] = std::numeric_limits<float>::infinity();
    in.left[bad + 2] = -std::numeric_limits<float>::infinity();
    in.right[bad + 2] = std::numeric_limits<float>::infinity();

    Event pattern{0, {{kMixId, 0.5}}, 20.0};
    for (std::uint32_t id = 0; id < 32; id += 3)
        pattern.changes.push_back({id, 1.0});
    for (int v = 0; v < kNumVoices; ++v)
        pattern.changes.push_back({voiceParamId(ParamKind::Reso, v), 0.9});
    const Rendered r = renderBoth(*factory.get(), rate, 512, in, {pattern});

    const auto recovered = bad + 3 + static_cast<std::size_t>(4.1 * rate);
    bool nonFiniteSeen = false;
    for (std::size_t i = bad + 3; i < recovered; ++i)
        nonFiniteSeen = nonFiniteSeen || !std::isfinite(r.module.left[i]);
    EXPECT_TRUE(nonFiniteSeen) << "the bad samples never reached the echoes";
    for (std::size_t i = recovered; i < in.left.size(); ++i)
    {
        ASSERT_TRUE(std::isfinite(r.module.left[i]) && std::isfinite(r.module.right[i]))
            << "still not finite " << static_cast<double>(i - bad) / rate << " s later";
    }
    // Once recovered it sounds exactly as the model does, and before the bad samples the
    // recovery logic changed nothing.
    expectBitIdentical(r);
}

TEST_F(NonFiniteInput, IsClearedAtTheNextBlockAfterTheVoicesSettledOnIt)
{
    // One tap reads a NaN and then only silence within one long block: the voices settle with
    // the NaN in their states, and the next block must still start them again from zero.
    Stereo in;
    in.left.assign(48000, 0.0f);
    in.right.assign(48000, 0.0f);
    in.left[100] = std::numeric_limits<float>::quiet_NaN();
    const Rendered r =
        renderBoth(*factory.get(), 48000.0, 8192, in, {Event{0, {{stepId(0, 0), 1.0}}, 120.0}});
    EXPECT_TRUE(std::isnan(r.module.left[6100]));
    EXPECT_TRUE(std::isfinite(r.module.left[8192]));
    expectBitIdentical(r);
}

} // namespace
