// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 plug-in: a thin adapter from LV2's ports and run() to the format-neutral processing
// core. Every piece of sound state is in the control ports, which hosts save themselves, so the
// plug-in needs no state extension.

#include "core/ProcessorCore.h"
#include "formats/lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace Ryvel::Lv2
{
namespace
{

struct Urids
{
    LV2_URID atomBlank = 0, atomObject = 0, atomFloat = 0, atomDouble = 0, atomInt = 0,
             atomLong = 0, timePosition = 0, timeBeatsPerMinute = 0, timeSpeed = 0;

    explicit Urids(LV2_URID_Map* map)
    {
        if (map == nullptr)
            return;
        atomBlank = map->map(map->handle, LV2_ATOM__Blank);
        atomObject = map->map(map->handle, LV2_ATOM__Object);
        atomFloat = map->map(map->handle, LV2_ATOM__Float);
        atomDouble = map->map(map->handle, LV2_ATOM__Double);
        atomInt = map->map(map->handle, LV2_ATOM__Int);
        atomLong = map->map(map->handle, LV2_ATOM__Long);
        timePosition = map->map(map->handle, LV2_TIME__Position);
        timeBeatsPerMinute = map->map(map->handle, LV2_TIME__beatsPerMinute);
        timeSpeed = map->map(map->handle, LV2_TIME__speed);
    }
};

class Instance
{
public:
    Instance(LV2_URID_Map* map) : urids(map), canReadTime(map != nullptr)
    {
        for (std::size_t i = 0; i < kParams.size(); ++i)
            params[i] = &taken[i];
    }

    bool setup(double rate) { return core.setup(rate) == ProcessorCore::SetupResult::Ok; }
    void connect(std::uint32_t port, void* data);
    void reset() { core.deactivate(); }
    void run(std::uint32_t numFrames);

private:
    void takeParameters();
    void takeTime();
    bool numberOf(const LV2_Atom* atom, double& out) const;

    ProcessorCore core;
    Urids urids;
    bool canReadTime;
    const float* inLeft = nullptr;
    const float* inRight = nullptr;
    float* outLeft = nullptr;
    float* outRight = nullptr;
    const LV2_Atom_Sequence* timeIn = nullptr;
    float* playhead = nullptr;
    // A port the host has not connected reads its own entry of `taken`: never a change.
    std::array<const float*, kNumParams> params{};
    // The port values last handed to the core, compared as bits.
    std::array<float, kNumParams> taken{};
    bool paramsTaken = false;
    bool playing = false;
};

void Instance::connect(std::uint32_t port, void* data)
{
    switch (port)
    {
    case kInLeft:
        inLeft = static_cast<const float*>(data);
        return;
    case kInRight:
        inRight = static_cast<const float*>(data);
        return;
    case kOutLeft:
        outLeft = static_cast<float*>(data);
        return;
    case kOutRight:
        outRight = static_cast<float*>(data);
        return;
    case kTimeIn:
        timeIn = static_cast<const LV2_Atom_Sequence*>(data);
        return;
    case kPlayhead:
        playhead = static_cast<float*>(data);
        return;
    default:
        break;
    }
    const int index = catalogueIndexOfPort(port);
    if (index >= 0)
    {
        const auto i = static_cast<std::size_t>(index);
        params[i] = data != nullptr ? static_cast<const float*>(data) : &taken[i];
    }
}

// The control ports are read like the last values of one block's parameter queues in VST 3.
// Most blocks change none: one pass over the ports without a branch decides.
void Instance::takeParameters()
{
    const auto bits = [](float x) { return std::bit_cast<std::uint32_t>(x); };
    std::uint32_t differ = paramsTaken ? 0u : 1u;
    for (std::size_t i = 0; i < kParams.size(); ++i)
        differ |= bits(*params[i]) ^ bits(taken[i]);
    if (differ == 0)
        return;
    for (std::size_t i = 0; i < kParams.size(); ++i)
    {
        const float value = *params[i];
        if (params[i] == &taken[i] || (paramsTaken && bits(value) == bits(taken[i])))
            continue;
        taken[i] = value;
        core.setParameter(kParams[i].id, normalizedValue(kParams[i], value));
    }
    paramsTaken = true;
    core.applyParameterChanges();
}

bool Instance::numberOf(const LV2_Atom* atom, double& out) const
{
    if (atom == nullptr)
        return false;
    if (atom->type == urids.atomFloat && atom->size >= sizeof(float))
        out = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    else if (atom->type == urids.atomDouble && atom->size >= sizeof(double))
        out = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    else if (atom->type == urids.atomInt && atom->size >= sizeof(std::int32_t))
        out = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    else if (atom->type == urids.atomLong && atom->size >= sizeof(std::int64_t))
        out = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    else
        return false;
    return true;
}

// Tempo and transport from time:Position objects, applied for the whole block as the VST 3
// process context is. A position without a tempo keeps the last one; the transport state holds
// until the host reports another (hosts send positions only when something changes).
void Instance::takeTime()
{
    if (timeIn == nullptr || !canReadTime)
        return;
    LV2_ATOM_SEQUENCE_FOREACH(timeIn, event)
    {
        const LV2_Atom& body = event->body;
        if (body.type != urids.atomObject && body.type != urids.atomBlank)
            continue;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&body);
        if (object->body.otype != urids.timePosition)
            continue;
        // The first of each key, as lv2_atom_object_get finds them, without its variadic calls.
        const LV2_Atom* bpm = nullptr;
        const LV2_Atom* speed = nullptr;
        LV2_ATOM_OBJECT_FOREACH(object, property)
        {
            if (property->key == urids.timeBeatsPerMinute && bpm == nullptr)
                bpm = &property->value;
            else if (property->key == urids.timeSpeed && speed == nullptr)
                speed = &property->value;
        }
        double value = 0.0;
        if (numberOf(bpm, value))
            core.setTempo(value);
        if (numberOf(speed, value))
            playing = value != 0.0;
    }
}

void Instance::run(std::uint32_t numFrames)
{
    takeParameters();
    takeTime();
    if (numFrames > 0 && inLeft != nullptr && inRight != nullptr && outLeft != nullptr &&
        outRight != nullptr)
    {
        // Hosts cut their cycles anywhere; the core takes at most INT32_MAX frames at a time.
        std::uint32_t done = 0;
        while (done < numFrames)
        {
            const std::uint32_t n = std::min<std::uint32_t>(numFrames - done, 1u << 30);
            core.process(inLeft + done, inRight + done, outLeft + done, outRight + done,
                         static_cast<std::int32_t>(n), playing);
            done += n;
        }
    }
    if (playhead != nullptr)
        *playhead = static_cast<float>(core.playheadStep());
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features)
{
    if (!ProcessorCore::acceptsSampleRate(rate))
        return nullptr;
    LV2_URID_Map* map = nullptr;
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            map = static_cast<LV2_URID_Map*>(features[i]->data);
    auto* instance = new (std::nothrow) Instance(map);
    if (instance == nullptr)
        return nullptr;
    if (!instance->setup(rate))
    {
        delete instance;
        return nullptr;
    }
    return instance;
}

void connectPort(LV2_Handle handle, std::uint32_t port, void* data)
{
    static_cast<Instance*>(handle)->connect(port, data);
}

void activate(LV2_Handle handle)
{
    static_cast<Instance*>(handle)->reset();
}

void run(LV2_Handle handle, std::uint32_t numFrames)
{
    static_cast<Instance*>(handle)->run(numFrames);
}

void deactivate(LV2_Handle handle)
{
    static_cast<Instance*>(handle)->reset();
}

void cleanup(LV2_Handle handle)
{
    delete static_cast<Instance*>(handle);
}

const void* extensionData(const char*)
{
    return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri.data(), instantiate, connectPort,  activate, run,
                                    deactivate,        cleanup,     extensionData};

} // namespace
} // namespace Ryvel::Lv2

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index)
{
    return index == 0 ? &Ryvel::Lv2::kDescriptor : nullptr;
}
