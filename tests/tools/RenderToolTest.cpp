// SPDX-License-Identifier: GPL-3.0-or-later
// ryvel-render end to end: the real executable on real files, its output compared with the
// module driven in-process with the same settings.

#include "Lv2Host.h"
#include "RunProgram.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>


using namespace Ryvel::TestHost;
using Steinberg::IPluginFactory;
namespace fs = std::filesystem;
using Result = Ryvel::Testing::ProgramResult;

namespace
{

struct Audio
{
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> samples; // interleaved

    std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
    std::vector<float> channel(int c) const
    {
        std::vector<float> out(frames());
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
        return out;
    }
};

void writeAudio(const fs::path& path, const Audio& audio)
{
    SF_INFO info{};
    info.samplerate = audio.rate;
    info.channels = audio.channels;
    info.format = audio.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_float(file, audio.samples.data(), static_cast<sf_count_t>(audio.frames()));
    sf_close(file);
}

Audio readAudio(const fs::path& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    Audio audio{info.samplerate, info.channels, info.format, {}};
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

class RenderTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ryvel-render-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the tool with HOME in the temporary folder, so an installed bundle never interferes.
    // The rest of the environment passes on (sanitizer options, for one).
    Result run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), RYVEL_RENDER_TOOL);
        return Ryvel::Testing::runProgram(std::move(args), {"HOME=" + dir.string()}, dir);
    }

    fs::path dir;
};

Audio noiseWithClick(int rate, int channels, int format, std::size_t frames)
{
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> dist(-0.3f, 0.3f);
    Audio audio{rate, channels, format,
                std::vector<float>(frames * static_cast<std::size_t>(channels))};
    for (std::size_t i = 0; i < audio.samples.size(); ++i)
        audio.samples[i] = i / static_cast<std::size_t>(channels) < frames / 2 ? dist(rng) : 0.0f;
    audio.samples[audio.samples.size() - static_cast<std::size_t>(channels)] = 0.8f;
    return audio;
}

TEST_F(RenderTool, RendersAsTheModuleDoesAndAppendsTheAudibleTail)
{
    const Audio input = noiseWithClick(48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 12000);
    writeAudio(dir / "in.wav", input);
    const Result r = run({"--plugin", builtBundle(), "--block", "64", "--tempo", "150", "--set",
                          "V1 Step 2=1", "--set", "162=0.7", "--set", "v2 filter = 0.4", "--set",
                          "V2 Step 1=1", dir / "in.wav", dir / "out.wav"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("peak"), std::string::npos);
    EXPECT_NE(r.out.find("realtime"), std::string::npos);

    const Audio output = readAudio(dir / "out.wav");
    EXPECT_EQ(output.rate, 48000);
    EXPECT_EQ(output.channels, 2);
    EXPECT_EQ(output.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    // At 150 BPM a step is 4800 samples: the click's last echo comes two steps after it.
    ASSERT_GT(output.frames(), input.frames() + 9600);
    ASSERT_LT(output.frames(), input.frames() + 4 * 48000);

    PluginModule module(moduleFileInBundle(builtBundle()));
    ASSERT_TRUE(module.loaded()) << module.error();
    auto factory = module.factory();
    ProcessorDriver driver(*factory.get(), 48000.0, 64);
    driver.changes.add(0 * 8 + 1, 1.0);
    driver.changes.add(162, 0.7);
    driver.changes.add(149, 0.4);
    driver.changes.add(8, 1.0);
    std::vector<float> inL = input.channel(0), inR = input.channel(1), outL, outR;
    inL.resize(output.frames(), 0.0f);
    inR.resize(output.frames(), 0.0f);
    driver.processBuffer(inL, inR, outL, outR, 64, Transport{150.0, true, true});
    EXPECT_EQ(output.channel(0), outL);
    EXPECT_EQ(output.channel(1), outR);
}

TEST_F(RenderTool, KeepsTheContainerAndPlaysMonoOnBothChannels)
{
    struct Case
    {
        const char* name;
        int inputFormat;
        std::vector<std::string> extra;
        int expectedFormat;
    };
    const Case cases[] = {
        {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, {}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"in.wav",
         SF_FORMAT_WAV | SF_FORMAT_PCM_24,
         {"--format", "pcm16"},
         SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        writeAudio(dir / c.name, noiseWithClick(44100, 1, c.inputFormat, 4410));
        std::vector<std::string> args = {"--plugin",    builtBundle(), "--set",
                                         "V3 Step 1=1", "--set",       "V3 Pan=0.5"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back(dir / c.name);
        args.push_back(dir / ("out-" + std::string(c.name)));
        const Result r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const Audio output = readAudio(dir / ("out-" + std::string(c.name)));
        EXPECT_EQ(output.format, c.expectedFormat);
        EXPECT_EQ(output.channels, 2);
        EXPECT_GT(output.frames(), 4410u);
        EXPECT_EQ(output.channel(0), output.channel(1));
    }
}

TEST_F(RenderTool, SavedStatesReproduceTheSameRender)
{
    writeAudio(dir / "in.wav", noiseWithClick(44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000));
    const Result saved =
        run({"--plugin", builtBundle(), "--set", "V4 Step 3=1", "--set", "V4 Reso=0.8",
             "--save-state", dir / "state.bin", dir / "in.wav", dir / "a.wav"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(fs::file_size(dir / "state.bin"), 220u);
    const Result loaded = run({"--plugin", builtBundle(), "--load-state", dir / "state.bin",
                               dir / "in.wav", dir / "b.wav"});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(Ryvel::Testing::readTextFile(dir / "a.wav"),
              Ryvel::Testing::readTextFile(dir / "b.wav"));
}

TEST_F(RenderTool, FindsTheBuiltBundleWhenNoneIsInstalled)
{
    writeAudio(dir / "in.wav", noiseWithClick(44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1000));
    const Result r = run({dir / "in.wav", dir / "out.wav"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(builtBundle()), std::string::npos) << r.out;
}

TEST_F(RenderTool, FailsWithOneLineAndExitCodeTwo)
{
    writeAudio(dir / "in.wav", noiseWithClick(44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1000));
    std::ofstream(dir / "text.wav") << "not audio\n";
    std::ofstream(dir / "short.state") << "1234";
    writeAudio(dir / "in.caf", noiseWithClick(44100, 2, SF_FORMAT_CAF | SF_FORMAT_PCM_16, 100));
    writeAudio(dir / "quad.wav", noiseWithClick(44100, 4, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 100));
    // An LV2 bundle of some other plug-in: valid Turtle, no Ryvel in it.
    fs::create_directory(dir / "Other.lv2");
    std::ofstream(dir / "Other.lv2/manifest.ttl")
        << "<urn:example:other> a <http://lv2plug.in/ns/lv2core#Plugin> ;\n"
           "    <http://lv2plug.in/ns/lv2core#binary> <other.so> .\n";
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    const std::string lv2 = Ryvel::Lv2Host::builtBundle();
    struct Case
    {
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {{"--plugin", builtBundle(), (dir / "missing.wav").string(), out}, "not found"},
        {{"--plugin", builtBundle(), (dir / "text.wav").string(), out}, "unsupported"},
        {{"--plugin", builtBundle(), (dir / "in.caf").string(), out}, "unsupported format"},
        {{"--plugin", builtBundle(), (dir / "quad.wav").string(), out}, "channel count"},
        {{"--plugin", builtBundle(), "--set", "V5 Step 1=1", in, out}, "unknown parameter"},
        {{"--plugin", builtBundle(), "--set", "40=1", in, out}, "unknown parameter"},
        {{"--plugin", builtBundle(), "--set", "V1 Gain=1.5", in, out}, "--set"},
        {{"--plugin", (dir / "Nowhere.vst3").string(), in, out}, "bundle not found"},
        {{"--plugin", (dir / "Nowhere.lv2").string(), in, out}, "bundle not found"},
        {{"--plugin", (dir / "Other.lv2").string(), in, out}, "no Ryvel plug-in"},
        {{"--plugin", lv2, "--set", "V5 Step 1=1", in, out}, "unknown parameter"},
        {{"--plugin", lv2, "--load-state", (dir / "short.state").string(), in, out}, "220"},
        {{"--plugin", builtBundle(), "--load-state", (dir / "short.state").string(), in, out},
         "220"},
        {{"--block", "0", in, out}, "--block"},
        {{in}, "input and an output"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.reason);
        const Result r = run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err.rfind("ryvel-render: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(RenderTool, MakesTheSameTwoBarDemoLoopEveryTime)
{
    ASSERT_EQ(run({"--make-demo-loop", dir / "a.wav"}).exitCode, 0);
    ASSERT_EQ(run({"--make-demo-loop", dir / "b.wav"}).exitCode, 0);
    const Audio loop = readAudio(dir / "a.wav");
    EXPECT_EQ(loop.rate, 48000);
    EXPECT_EQ(loop.channels, 2);
    EXPECT_EQ(loop.frames(), 192000u); // two bars of 4/4 at 120 BPM
    float peak = 0.0f;
    for (float x : loop.samples)
        peak = std::max(peak, std::fabs(x));
    EXPECT_NEAR(peak, std::pow(10.0f, -3.0f / 20.0f), 1e-5f);
    EXPECT_EQ(Ryvel::Testing::readTextFile(dir / "a.wav"),
              Ryvel::Testing::readTextFile(dir / "b.wav"));
}

TEST_F(RenderTool, ExplainsItselfOnHelp)
{
    const Result r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* option : {"--plugin", "Ryvel.lv2", "--block", "--tempo", "--set",
                               "--load-state", "--save-state", "--make-demo-loop"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

} // namespace
