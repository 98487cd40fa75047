// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Host.h"

#include <lv2/atom/atom.h>
#include <lv2/presets/presets.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace Ryvel::Lv2Host
{

namespace fs = std::filesystem;

std::string builtBundle()
{
    if (const char* fromEnv = std::getenv("RYVEL_LV2_BUNDLE"))
        return fromEnv;
#ifdef RYVEL_TEST_LV2_BUNDLE
    return RYVEL_TEST_LV2_BUNDLE;
#else
    return "Ryvel.lv2";
#endif
}

bool isLv2BundlePath(const std::string& path)
{
    fs::path p(path);
    if (!p.has_filename())
        p = p.parent_path(); // "Ryvel.lv2/"
    std::error_code error;
    return p.extension() == ".lv2" || fs::is_regular_file(p / "manifest.ttl", error);
}

UridMap::UridMap()
{
    map.handle = this;
    map.map = &UridMap::mapUri;
}

LV2_URID UridMap::id(std::string_view uri)
{
    const auto found = std::find(uris.begin(), uris.end(), uri);
    if (found != uris.end())
        return static_cast<LV2_URID>(found - uris.begin() + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

LV2_URID UridMap::mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    return uri != nullptr ? static_cast<UridMap*>(handle)->id(uri) : 0;
}

namespace
{

// lilv nodes freed at the end of a scope.
class Node
{
public:
    explicit Node(LilvNode* node) : node(node) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    const LilvNode* get() const { return node; }

private:
    LilvNode* node;
};

} // namespace

Bundle::Bundle(const std::string& bundleDir)
{
    std::error_code error;
    const fs::path dir = fs::absolute(fs::path(bundleDir).lexically_normal(), error);
    if (error || !fs::is_regular_file(dir / "manifest.ttl", error))
    {
        loadError = "no manifest.ttl";
        return;
    }
    lilvWorld = lilv_world_new();
    // lilv wants the folder's URI with its trailing slash.
    std::string path = dir.string();
    if (path.back() != '/')
        path += '/';
    const Node bundleUri(lilv_new_file_uri(lilvWorld, nullptr, path.c_str()));
    lilv_world_load_bundle(lilvWorld, bundleUri.get());

    const Node pluginUri(lilv_new_uri(lilvWorld, std::string(Lv2::kPluginUri).c_str()));
    lilvPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), pluginUri.get());
    if (lilvPlugin == nullptr)
        loadError = "no Ryvel plug-in";
    else if (lilv_plugin_get_num_ports(lilvPlugin) != Lv2::kNumPorts)
    {
        loadError = "the plug-in has " + std::to_string(lilv_plugin_get_num_ports(lilvPlugin)) +
                    " ports instead of " + std::to_string(static_cast<int>(Lv2::kNumPorts));
        lilvPlugin = nullptr;
    }
}

Bundle::~Bundle()
{
    if (lilvWorld != nullptr)
        lilv_world_free(lilvWorld);
}

std::vector<Preset> Bundle::presets()
{
    std::vector<Preset> out;
    if (lilvPlugin == nullptr)
        return out;
    const Node presetClass(lilv_new_uri(lilvWorld, LV2_PRESETS__Preset));
    LilvNodes* related = lilv_plugin_get_related(lilvPlugin, presetClass.get());
    LILV_FOREACH(nodes, i, related)
    {
        const LilvNode* node = lilv_nodes_get(related, i);
        lilv_world_load_resource(lilvWorld, node);
        LilvState* state = lilv_state_new_from_world(lilvWorld, uridMap.feature(), node);
        if (state == nullptr)
            continue;
        Preset preset;
        preset.uri = lilv_node_as_uri(node);
        if (const char* label = lilv_state_get_label(state))
            preset.label = label;
        struct Sink
        {
            Preset* preset;
            LV2_URID floatType;
        } sink{&preset, uridMap.id(LV2_ATOM__Float)};
        lilv_state_emit_port_values(
            state,
            [](const char* symbol, void* data, const void* value, std::uint32_t size,
               std::uint32_t type)
            {
                auto* s = static_cast<Sink*>(data);
                const float v = type == s->floatType && size == sizeof(float)
                                    ? *static_cast<const float*>(value)
                                    : std::nanf("");
                s->preset->portValues.emplace_back(symbol, v);
            },
            &sink);
        lilv_state_free(state);
        out.push_back(std::move(preset));
    }
    lilv_nodes_free(related);
    return out;
}

PluginDriver::PluginDriver(Bundle& bundle, double rate, Features features) : sampleRate(rate)
{
    if (!bundle.loaded())
        return;
    UridMap& urids = bundle.urids();
    // The host's own atoms are written with its map whether or not the plug-in is offered it.
    lv2_atom_forge_init(&forge, urids.feature());
    timePosition = urids.id(LV2_TIME__Position);
    timeBeatsPerMinute = urids.id(LV2_TIME__beatsPerMinute);
    timeSpeed = urids.id(LV2_TIME__speed);

    const LV2_Feature mapFeature{LV2_URID__map, urids.feature()};
    const LV2_Feature* withMap[] = {&mapFeature, nullptr};
    instance = lilv_plugin_instantiate(bundle.plugin(), rate,
                                       features == Features::UridMap ? withMap : nullptr);
    if (instance == nullptr)
        return;

    std::array<float, Lv2::kNumPorts> defaults{};
    lilv_plugin_get_port_ranges_float(bundle.plugin(), nullptr, nullptr, defaults.data());
    for (std::uint32_t port = Lv2::kFirstParam; port <= Lv2::kPlayhead; ++port)
    {
        controls[port] = defaults[port];
        lilv_instance_connect_port(instance, port, &controls[port]);
    }
    writePosition(std::nullopt);
    lilv_instance_connect_port(instance, Lv2::kTimeIn, timeBuffer.data());
    lilv_instance_activate(instance);
}

PluginDriver::~PluginDriver()
{
    if (instance == nullptr)
        return;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
}

void PluginDriver::setParameter(ParamId id, double normalized)
{
    const int index = paramIndex(id);
    if (index < 0)
        return;
    controls[Lv2::paramPort(index)] =
        Lv2::portValue(kParams[static_cast<std::size_t>(index)], normalized);
}

double PluginDriver::parameter(ParamId id) const
{
    const int index = paramIndex(id);
    if (index < 0)
        return 0.0;
    return Lv2::normalizedValue(kParams[static_cast<std::size_t>(index)],
                                controls[Lv2::paramPort(index)]);
}

void PluginDriver::writePosition(const std::optional<TestHost::Transport>& transport)
{
    lv2_atom_forge_set_buffer(&forge, timeBuffer.data(), timeBuffer.size());
    LV2_Atom_Forge_Frame sequence;
    LV2_Atom_Forge_Frame position;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    lv2_atom_forge_frame_time(&forge, 0);
    lv2_atom_forge_object(&forge, &position, 0, timePosition);
    if (transport && transport->tempoValid)
    {
        lv2_atom_forge_key(&forge, timeBeatsPerMinute);
        lv2_atom_forge_float(&forge, static_cast<float>(transport->tempo));
    }
    lv2_atom_forge_key(&forge, timeSpeed);
    lv2_atom_forge_float(&forge, transport && transport->playing ? 1.0f : 0.0f);
    lv2_atom_forge_pop(&forge, &position);
    lv2_atom_forge_pop(&forge, &sequence);
}

void PluginDriver::prepare(const float* inL, const float* inR, float* outL, float* outR,
                           std::optional<TestHost::Transport> transport)
{
    // LV2 input buffers are not const; the plug-in only reads them.
    lilv_instance_connect_port(instance, Lv2::kInLeft, const_cast<float*>(inL));
    lilv_instance_connect_port(instance, Lv2::kInRight, const_cast<float*>(inR));
    lilv_instance_connect_port(instance, Lv2::kOutLeft, outL);
    lilv_instance_connect_port(instance, Lv2::kOutRight, outR);
    writePosition(transport);
}

void PluginDriver::run(int numSamples)
{
    lilv_instance_run(instance, static_cast<std::uint32_t>(numSamples));
}

void PluginDriver::process(const float* inL, const float* inR, float* outL, float* outR,
                           int numSamples, std::optional<TestHost::Transport> transport)
{
    prepare(inL, inR, outL, outR, transport);
    run(numSamples);
}

void PluginDriver::processBuffer(const std::vector<float>& inL, const std::vector<float>& inR,
                                 std::vector<float>& outL, std::vector<float>& outR, int blockSize,
                                 std::optional<TestHost::Transport> transport)
{
    const std::size_t total = std::min(inL.size(), inR.size());
    outL.resize(total);
    outR.resize(total);
    for (std::size_t start = 0; start < total; start += static_cast<std::size_t>(blockSize))
    {
        const int n =
            static_cast<int>(std::min(total - start, static_cast<std::size_t>(blockSize)));
        process(inL.data() + start, inR.data() + start, outL.data() + start, outR.data() + start, n,
                transport);
    }
}

int PluginDriver::playheadStep() const
{
    return static_cast<int>(controls[Lv2::kPlayhead]);
}

StateFormat::Bytes PluginDriver::getState() const
{
    return StateFormat::write([this](ParamId id) { return sanitizeNormalized(id, parameter(id)); });
}

void PluginDriver::setState(std::span<const std::uint8_t> bytes)
{
    for (const auto& [id, value] : StateFormat::read(bytes))
        setParameter(id, value);
}

} // namespace Ryvel::Lv2Host
