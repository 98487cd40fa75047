// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small LV2 host for tests and tools, built on lilv: loads one bundle folder, instantiates the
// plug-in as a host does (with a URID map, or with no features at all, as lv2apply does),
// connects every port and runs it block by block. Tempo and transport reach the plug-in as a
// time:Position object on its atom port, so a block is described exactly as the VST 3 test
// host describes it, and the two formats can be driven side by side.

#include "TestHost.h"

#include "core/ParameterCatalogue.h"
#include "core/StateFormat.h"
#include "formats/lv2/Lv2Ports.h"

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Ryvel::Lv2Host
{

// The bundle the tests were built with (RYVEL_TEST_LV2_BUNDLE), or RYVEL_LV2_BUNDLE from the
// environment.
std::string builtBundle();
// Whether a plug-in path names an LV2 bundle rather than a VST 3 one: a name ending in ".lv2" or
// a folder holding a manifest.ttl. The path need not exist.
bool isLv2BundlePath(const std::string& path);

// URIs to integers for the plug-in and the host's own atoms. Maps on the host's control thread
// only (instantiate and the host's set-up), never from run().
class UridMap
{
public:
    UridMap();
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID id(std::string_view uri);
    LV2_URID_Map* feature() { return &map; }

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    std::deque<std::string> uris; // index + 1 is the URID
    LV2_URID_Map map{};
};

// A factory preset as a host reads it from the bundle's Turtle.
struct Preset
{
    std::string uri, label;
    std::vector<std::pair<std::string, float>> portValues; // by port symbol, in file order
};

// A lilv world holding one bundle and, when found, the Ryvel plug-in in it.
class Bundle
{
public:
    explicit Bundle(const std::string& bundleDir);
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    bool loaded() const { return lilvPlugin != nullptr; }
    const std::string& error() const { return loadError; } // why not loaded, without the path
    LilvWorld* world() const { return lilvWorld; }
    const LilvPlugin* plugin() const { return lilvPlugin; }
    UridMap& urids() { return uridMap; }

    // The presets the bundle declares for the plug-in, read through lilv's state loader.
    std::vector<Preset> presets();

private:
    LilvWorld* lilvWorld = nullptr;
    const LilvPlugin* lilvPlugin = nullptr;
    std::string loadError;
    UridMap uridMap;
};

// What instantiate is offered.
enum class Features
{
    UridMap, // urid:map, as every real host offers
    None,    // nothing at all, as lv2apply
};

// An instance instantiated, connected and activated. Control inputs start at the defaults the
// Turtle declares, as a host sets them.
class PluginDriver
{
public:
    PluginDriver(Bundle& bundle, double sampleRate, Features features = Features::UridMap);
    ~PluginDriver();
    PluginDriver(const PluginDriver&) = delete;
    PluginDriver& operator=(const PluginDriver&) = delete;

    bool ready() const { return instance != nullptr; }

    // A parameter by catalogue ID and normalised value, written to its control port (bypass as
    // the inverted "enabled" port). It holds from the next run on, as the last point of a VST 3
    // queue does.
    void setParameter(ParamId id, double normalized);
    // The normalised value the parameter's port holds.
    double parameter(ParamId id) const;
    float& controlPort(std::uint32_t port) { return controls[port]; }

    // Runs one block: input (left, right) to output, with the transport sent as a time:Position
    // at frame 0 (nullopt: a stopped position without a tempo, what VST 3 calls no process
    // context). Buffers may alias, as LV2 allows.
    void process(const float* inL, const float* inR, float* outL, float* outR, int numSamples,
                 std::optional<TestHost::Transport> transport = TestHost::Transport{});
    // Runs a whole buffer in blocks of `blockSize`.
    void processBuffer(const std::vector<float>& inL, const std::vector<float>& inR,
                       std::vector<float>& outL, std::vector<float>& outR, int blockSize,
                       std::optional<TestHost::Transport> transport = TestHost::Transport{});

    // process() in its two halves, for timing run() alone: connects the audio buffers and writes
    // the block's time:Position into the atom port's buffer, then calls the plug-in's run().
    void prepare(const float* inL, const float* inR, float* outL, float* outR,
                 std::optional<TestHost::Transport> transport);
    void run(int numSamples);

    // The playhead output after the last run: -1, or the step 0..7.
    int playheadStep() const;

    // The 220 state bytes of the values in the control ports, sanitised as the plug-in reads
    // them, so that state files are interchangeable with the VST 3 build's.
    StateFormat::Bytes getState() const;
    // Writes a state's values into the control ports; fields missing from a short state read as
    // 0, as in the VST 3 build.
    void setState(std::span<const std::uint8_t> bytes);

    const double sampleRate;

private:
    void writePosition(const std::optional<TestHost::Transport>& transport);

    LilvInstance* instance = nullptr;
    std::array<float, Lv2::kNumPorts> controls{};
    // The atom input: one sequence with one position object, rewritten every block.
    alignas(8) std::array<std::uint8_t, 512> timeBuffer{};
    LV2_Atom_Forge forge{};
    LV2_URID timePosition = 0, timeBeatsPerMinute = 0, timeSpeed = 0;
};

} // namespace Ryvel::Lv2Host
