// SPDX-License-Identifier: GPL-3.0-or-later
#include "DifferentialSessions.h"

#include "ReferenceEcho.h"

#include "core/ParameterCatalogue.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>

namespace Ryvel::Differential
{

namespace
{

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kMax = std::numeric_limits<float>::max();

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

} // namespace

std::size_t sessionCount()
{
    if (const char* n = std::getenv("RYVEL_DIFFERENTIAL_SESSIONS"))
        return static_cast<std::size_t>(std::max(1L, std::strtol(n, nullptr, 10)));
    return 12;
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

    // What the host last sent for each parameter, so that it can send it all again unchanged,
    // as hosts do every block while a lane is in read mode.
    std::vector<Change> lastSent;
    for (const ParamInfo& info : kParams)
        lastSent.push_back({info.id, info.defaultValue});
    const auto remember = [&lastSent](const std::vector<Change>& changes)
    {
        for (const Change& c : changes)
            for (Change& held : lastSent)
                if (held.id == c.id)
                    held.value = c.value;
    };
    remember(first.changes);

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
            else if (unit(rng) < 0.2)
                b.changes = lastSent;
            else
            {
                b.changes = randomChanges(rng, resonanceOff);
                remember(b.changes);
            }
        }
        if (b.transport && !b.transport->tempoValid)
            b.transport->tempo = unit(rng) < 0.5 ? 1000.0 : std::nan("");
        done += static_cast<std::size_t>(b.size);
        s.blocks.push_back(std::move(b));
    }
    return s;
}

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

std::string firstMismatch(const Session& s, const Outputs& actual, const Outputs& expected)
{
    std::size_t at = 0;
    for (std::size_t block = 0; block < s.blocks.size(); ++block)
    {
        const int size = s.blocks[block].size;
        for (int i = 0; i < size; ++i)
        {
            const std::size_t j = at + static_cast<std::size_t>(i);
            if (!sameBits(actual.left[j], expected.left[j]) ||
                !sameBits(actual.right[j], expected.right[j]))
            {
                std::ostringstream message;
                message << std::hexfloat << "sample " << j << " (block " << block << " of " << size
                        << "): " << actual.left[j] << " " << actual.right[j] << " instead of "
                        << expected.left[j] << " " << expected.right[j];
                return message.str();
            }
        }
        at += static_cast<std::size_t>(size);
    }
    return {};
}

} // namespace Ryvel::Differential
