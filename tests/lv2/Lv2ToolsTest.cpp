// SPDX-License-Identifier: GPL-3.0-or-later
// Ryvel.lv2 through programs outside the plug-in: Debian's serd and lilv tools read and run the
// built bundle as any LV2 host would find it on LV2_PATH, and ryvel-render gives the same file
// through either format.

#include "Lv2Host.h"
#include "RunProgram.h"
#include "TestHost.h"

#include "core/ParameterCatalogue.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace Ryvel;
using Testing::ProgramResult;
using Testing::readTextFile;
using Testing::runProgram;
namespace fs = std::filesystem;

namespace
{

struct Stereo
{
    int rate = 0;
    std::vector<float> left, right;
};

void writeWav(const fs::path& path, const Stereo& audio)
{
    SF_INFO info{};
    info.samplerate = audio.rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> interleaved;
    for (std::size_t i = 0; i < audio.left.size(); ++i)
    {
        interleaved.push_back(audio.left[i]);
        interleaved.push_back(audio.right[i]);
    }
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(audio.left.size()));
    sf_close(file);
}

Stereo readWav(const fs::path& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels != 2)
        return {};
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    Stereo audio{info.samplerate, {}, {}};
    for (std::size_t i = 0; i < interleaved.size(); i += 2)
    {
        audio.left.push_back(interleaved[i]);
        audio.right.push_back(interleaved[i + 1]);
    }
    return audio;
}

class Lv2Tools : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ryvel-lv2-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        // Hosts find bundles on LV2_PATH; the LV2 schemas in /usr/lib/lv2 name the classes.
        fs::create_directory(dir / "lv2");
        fs::create_directory_symlink(fs::absolute(Lv2Host::builtBundle()), dir / "lv2/Ryvel.lv2");
        lv2Path = "LV2_PATH=" + (dir / "lv2").string() + ":/usr/lib/lv2";
    }
    void TearDown() override { fs::remove_all(dir); }

    ProgramResult run(const std::vector<std::string>& args) const
    {
        // HOME in the temporary folder: an installed bundle never interferes.
        return runProgram(args, {lv2Path, "HOME=" + dir.string()}, dir);
    }

    fs::path dir;
    std::string lv2Path;
};

TEST_F(Lv2Tools, SerdiParsesEveryTurtleFileOfTheBundle)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Lv2Host::builtBundle()))
    {
        if (entry.path().extension() != ".ttl")
            continue;
        names.insert(entry.path().filename());
        SCOPED_TRACE(entry.path().filename());
        const ProgramResult r = run({"serdi", "-i", "turtle", "-o", "ntriples", entry.path()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(r.out.empty());
    }
    EXPECT_EQ(names, (std::set<std::string>{"manifest.ttl", "presets.ttl", "ryvel.ttl"}));
}

TEST_F(Lv2Tools, Lv2infoListsADelayPluginWithItsPortsUiAndPresets)
{
    const ProgramResult r = run({"lv2info", std::string(Lv2::kPluginUri)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Name:              Ryvel\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Class:             Delay Plugin\n"), std::string::npos);
    EXPECT_NE(r.out.find("Author:            Corvane Audio\n"), std::string::npos);

    // The UI block: its URI, X11 class and binary.
    const std::regex ui(std::string(Lv2::kUiUri) +
                        R"(\n\s+Class:\s+http://lv2plug.in/ns/extensions/ui#X11UI)"
                        R"(\n\s+Binary:\s+file://\S+/Ryvel.lv2/ryvel-ui.so\n)");
    EXPECT_TRUE(std::regex_search(r.out, ui)) << r.out;

    // Presets: one indented name a line between "Presets:" and the first port.
    const auto presets = r.out.find("Presets:");
    const auto ports = r.out.find("\tPort 0:");
    ASSERT_NE(presets, std::string::npos);
    ASSERT_NE(ports, std::string::npos);
    std::istringstream presetLines(r.out.substr(presets, ports - presets));
    std::string line;
    int presetCount = -1; // the heading line
    while (std::getline(presetLines, line))
        if (line.find_first_not_of(" \t") != std::string::npos)
            ++presetCount;
    EXPECT_EQ(presetCount, 31);

    // Ports by kind and direction, as hosts sort them.
    int controlIn = 0, controlOut = 0, atomIn = 0, audioIn = 0, audioOut = 0, enabled = 0;
    auto count = [&](const std::string& b)
    {
        const auto has = [&b](const char* text) { return b.find(text) != std::string::npos; };
        const bool in = has("lv2core#InputPort"), out = has("lv2core#OutputPort");
        EXPECT_NE(in, out) << b;
        if (has("lv2core#ControlPort"))
            ++(in ? controlIn : controlOut);
        if (has("atom#AtomPort") && in)
            ++atomIn;
        if (has("lv2core#AudioPort"))
            ++(in ? audioIn : audioOut);
        if (has("Designation: http://lv2plug.in/ns/lv2core#enabled") &&
            has("Symbol:      enabled\n"))
            ++enabled;
    };
    std::istringstream blocks(r.out.substr(ports));
    std::string block;
    while (std::getline(blocks, line))
    {
        if (line.rfind("\tPort ", 0) == 0 && !block.empty())
        {
            count(block);
            block.clear();
        }
        block += line + "\n";
    }
    count(block);
    EXPECT_EQ(controlIn, 55);
    EXPECT_EQ(controlOut, 1);
    EXPECT_EQ(atomIn, 1);
    EXPECT_EQ(audioIn, 2);
    EXPECT_EQ(audioOut, 2);
    EXPECT_EQ(enabled, 1);
}

TEST_F(Lv2Tools, Lv2applyPlacesTheEchoThreeSixteenthsAfterTheClickAsVst3Does)
{
#ifdef RYVEL_SANITIZED_BUILD
    GTEST_SKIP() << "lv2apply is not instrumented and cannot load a sanitized plug-in";
#endif
    // lv2apply offers no features (so no tempo: 120 BPM holds), connects no atom port and runs
    // one frame at a time. At 48 kHz a sixteenth is 6000 samples.
    Stereo click{48000, std::vector<float>(24000, 0.0f), std::vector<float>(24000, 0.0f)};
    click.left[0] = click.right[0] = 0.5f;
    writeWav(dir / "click.wav", click);
    const ProgramResult r = run({"lv2apply", "-i", dir / "click.wav", "-o", dir / "out.wav", "-c",
                                 "v1_step_3", "1", std::string(Lv2::kPluginUri)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Stereo out = readWav(dir / "out.wav");
    ASSERT_EQ(out.left.size(), click.left.size());
    std::vector<std::size_t> audible;
    for (std::size_t i = 0; i < out.left.size() && audible.size() < 2; ++i)
        if (std::fabs(out.left[i]) > 1e-6f)
            audible.push_back(i);
    EXPECT_EQ(audible, (std::vector<std::size_t>{0, 18000}));

    // The same bits as the VST 3 build run as lv2apply runs it: one frame a block, no context.
    TestHost::PluginModule module(TestHost::moduleFileInBundle(TestHost::builtBundle()));
    ASSERT_TRUE(module.loaded()) << module.error();
    auto factory = module.factory();
    TestHost::ProcessorDriver driver(*factory.get(), 48000.0, 1);
    driver.changes.add(stepId(0, 2), 1.0);
    std::vector<float> outL, outR;
    driver.processBuffer(click.left, click.right, outL, outR, 1, std::nullopt);
    EXPECT_EQ(out.left, outL);
    EXPECT_EQ(out.right, outR);
}

// The settings of scripts/run-demo.
const std::vector<std::string> kDemoSettings = {
    "--set", "V1 Step 3=1",   "--set", "V1 Step 6=1",    "--set", "V1 Pan=0.25",
    "--set", "V1 Filter=0.8", "--set", "V1 Gain=0.6",    "--set", "V2 Step 4=1",
    "--set", "V2 Pan=0.8",    "--set", "V2 Filter=0.65", "--set", "V2 Reso=0.45",
    "--set", "V2 Gain=0.5",   "--set", "V3 Step 8=1",    "--set", "V3 Filter=0.45",
    "--set", "V3 Drive=0.35", "--set", "V3 Gain=0.45",   "--set", "V4 Step 7=1",
    "--set", "V4 Pan=0.9",    "--set", "V4 Filter=0.9",  "--set", "V4 Reso=0.6",
    "--set", "V4 Gain=0.3",   "--set", "Mix=0.4",        "--set", "HP=0.2"};

TEST_F(Lv2Tools, RenderToolWritesTheSameFileThroughEitherFormat)
{
    ASSERT_EQ(run({RYVEL_RENDER_TOOL, "--make-demo-loop", dir / "loop.wav"}).exitCode, 0);
    const struct
    {
        const char* block;
        const char* tempo;
    } cases[] = {{"512", "120"}, {"64", "120"}, {"1000", "97.3"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "blocks of " << c.block << ", " << c.tempo << " BPM");
        std::string files[2];
        for (const bool lv2 : {false, true})
        {
            const fs::path out = dir / (lv2 ? "lv2.wav" : "vst3.wav");
            std::vector<std::string> args = {RYVEL_RENDER_TOOL,
                                             "--plugin",
                                             lv2 ? Lv2Host::builtBundle() : TestHost::builtBundle(),
                                             "--block",
                                             c.block,
                                             "--tempo",
                                             c.tempo};
            args.insert(args.end(), kDemoSettings.begin(), kDemoSettings.end());
            args.push_back(dir / "loop.wav");
            args.push_back(out);
            const ProgramResult r = run(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            files[lv2] = readTextFile(out);
        }
        EXPECT_GT(files[0].size(), 192000u * 8);
        EXPECT_TRUE(files[0] == files[1]);
    }
}

TEST_F(Lv2Tools, StatesSavedByEitherFormatLoadIntoTheOther)
{
    ASSERT_EQ(run({RYVEL_RENDER_TOOL, "--make-demo-loop", dir / "loop.wav"}).exitCode, 0);
    const std::string bundles[2] = {TestHost::builtBundle(), Lv2Host::builtBundle()};
    // Beyond the demo: a switch set halfway (on), a drive value and bypass, on here and off
    // again below.
    for (int format = 0; format < 2; ++format)
    {
        std::vector<std::string> args = {RYVEL_RENDER_TOOL, "--plugin", bundles[format]};
        args.insert(args.end(), kDemoSettings.begin(), kDemoSettings.end());
        for (const char* extra : {"V2 Step 1=0.5", "V1 Drive=0.7", "Bypass=1"})
        {
            args.push_back("--set");
            args.push_back(extra);
        }
        args.push_back("--save-state");
        args.push_back(dir / ("saved" + std::to_string(format) + ".state"));
        args.push_back(dir / "loop.wav");
        args.push_back(dir / "ignored.wav");
        const ProgramResult r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string saved = readTextFile(dir / "saved0.state");
    ASSERT_EQ(saved.size(), 220u);
    EXPECT_TRUE(saved == readTextFile(dir / "saved1.state"));

    // Each format renders the other's state (bypass switched off again) as it renders its own.
    std::string files[2][2];
    for (int format = 0; format < 2; ++format)
        for (int state = 0; state < 2; ++state)
        {
            const fs::path out = dir / "out.wav";
            const ProgramResult r =
                run({RYVEL_RENDER_TOOL, "--plugin", bundles[format], "--load-state",
                     dir / ("saved" + std::to_string(state) + ".state"), "--set", "Bypass=0",
                     dir / "loop.wav", out});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            files[format][state] = readTextFile(out);
        }
    EXPECT_TRUE(files[0][0] == files[0][1]);
    EXPECT_TRUE(files[0][0] == files[1][0]);
    EXPECT_TRUE(files[0][0] == files[1][1]);
    EXPECT_FALSE(files[0][0] == readTextFile(dir / "loop.wav"));
}

} // namespace
