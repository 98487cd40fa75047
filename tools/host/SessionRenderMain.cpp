// SPDX-License-Identifier: GPL-3.0-or-later
// ryvel-session-render: plays one fixed session through a built module as a host does and writes
// the output as raw little-endian float32 (left, right interleaved). The session is the same bit
// for bit on every system (integer generators only, no library distributions), so outputs of the
// module built for different systems can be compared sample by sample.
//
//   ryvel-session-render OUTPUT_FILE [BUNDLE]
//
// 48 kHz, 20 s in blocks of 512: a click train and noise bursts, every parameter moved every few
// blocks through its whole range (filters swept from the lowest to the highest cutoff and
// resonance, drive and saturation), tempo changes.

#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace Ryvel::TestHost;

namespace
{

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocks = static_cast<int>(20 * kRate) / kBlock;

// xorshift32: the same numbers everywhere.
struct Bits
{
    std::uint32_t state;
    std::uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // [0, 1] in steps of 1/65535, exact in binary floating point on every system.
    double unit() { return static_cast<double>(next() >> 16) / 65535.0; }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--help") == 0)
    {
        std::fprintf(stderr, "usage: ryvel-session-render OUTPUT_FILE [BUNDLE]\n");
        return 2;
    }
    PluginModule module(moduleFileInBundle(argc == 3 ? argv[2] : builtBundle()));
    if (!module.loaded())
    {
        std::fprintf(stderr, "ryvel-session-render: %s\n", module.error().c_str());
        return 1;
    }
    auto factory = module.factory();
    if (!factory)
        return 1;
    ProcessorDriver driver(*factory.get(), kRate, kBlock);
    if (!driver.ready())
        return 1;

    Bits bits{0x2545F491u};
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    std::vector<float> interleaved;
    interleaved.reserve(static_cast<std::size_t>(kBlocks) * kBlock * 2);
    double tempo = 120.0;
    for (int b = 0; b < kBlocks; ++b)
    {
        if (b % 4 == 0)
            for (const Ryvel::ParamInfo& info : Ryvel::kParams)
                if (!info.isBypass() && bits.next() % 3 == 0)
                    driver.changes.add(info.id, bits.unit());
        if (b % 200 == 0)
            tempo = 60.0 + 140.0 * bits.unit();
        for (int i = 0; i < kBlock; ++i)
        {
            const int n = b * kBlock + i;
            const bool click = n % 12000 == 0;
            const bool burst = (n / 6000) % 7 == 3;
            const float noise =
                static_cast<float>(static_cast<std::int32_t>(bits.next()) / 2147483648.0);
            inL[static_cast<std::size_t>(i)] = click ? 0.9f : burst ? 0.5f * noise : 0.0f;
            inR[static_cast<std::size_t>(i)] = click ? -0.7f : burst ? 0.4f * noise : 0.0f;
        }
        driver.process(inL.data(), inR.data(), outL.data(), outR.data(), kBlock,
                       Transport{tempo, true, true});
        for (int i = 0; i < kBlock; ++i)
        {
            interleaved.push_back(outL[static_cast<std::size_t>(i)]);
            interleaved.push_back(outR[static_cast<std::size_t>(i)]);
        }
    }

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr)
        return 1;
    const std::size_t written =
        std::fwrite(interleaved.data(), sizeof(float), interleaved.size(), out);
    const bool closed = std::fclose(out) == 0;
    return written == interleaved.size() && closed ? 0 : 1;
}
