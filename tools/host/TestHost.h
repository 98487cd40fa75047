// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small VST 3 host for tests and tools: loads the built module with dlopen, calls ModuleEntry
// and GetPluginFactory, creates classes by ID and drives the processor block by block with the
// host side of parameter queues, process data and process context.

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Ryvel::TestHost
{

// The module inside a bundle folder (Ryvel.vst3/Contents/x86_64-linux/Ryvel.so, on Windows
// Ryvel.vst3/Contents/x86_64-win/Ryvel.vst3).
std::string moduleFileInBundle(const std::string& bundleDir);
// The bundle the tests were built with (RYVEL_TEST_BUNDLE), or RYVEL_BUNDLE from the environment.
std::string builtBundle();

template <typename T> class Ref
{
public:
    Ref() = default;
    explicit Ref(T* adopted) : object(adopted) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept
    {
        reset();
        object = std::exchange(other.object, nullptr);
        return *this;
    }
    ~Ref() { reset(); }
    void reset()
    {
        if (object != nullptr)
            object->release();
        object = nullptr;
    }
    T* get() const { return object; }
    T* operator->() const { return object; }
    explicit operator bool() const { return object != nullptr; }

    template <typename U> Ref<U> query() const
    {
        void* out = nullptr;
        if (object == nullptr || object->queryInterface(U::iid, &out) != Steinberg::kResultOk)
            return Ref<U>();
        return Ref<U>(static_cast<U*>(out));
    }

private:
    T* object = nullptr;
};

// Loads the module and enters it (dlopen + ModuleEntry on Linux, LoadLibraryW + InitDll on
// Windows); leaves and unloads it on destruction.
class PluginModule
{
public:
    explicit PluginModule(const std::string& soPath);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool loaded() const { return handle != nullptr; }
    const std::string& error() const { return loadError; }
    void* symbol(const char* name) const;
    // A new reference from GetPluginFactory.
    Ref<Steinberg::IPluginFactory> factory() const;

private:
    void* handle = nullptr;
    bool entered = false;
    std::string loadError;
};

template <typename T>
Ref<T> createInstance(Steinberg::IPluginFactory& factory, const Steinberg::TUID classId)
{
    void* out = nullptr;
    if (factory.createInstance(classId, T::iid, &out) != Steinberg::kResultOk)
        return Ref<T>();
    return Ref<T>(static_cast<T*>(out));
}

// Host objects live on the stack or inside other host objects: no reference counting.
template <typename Interface> class HostObject : public Interface
{
public:
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Interface::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid))
        {
            *obj = static_cast<Interface*>(this);
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

protected:
    ~HostObject() = default;
};

class ParamQueue final : public HostObject<Steinberg::Vst::IParamValueQueue>
{
public:
    explicit ParamQueue(Steinberg::Vst::ParamID id) : id(id) {}
    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id; }
    Steinberg::int32 PLUGIN_API getPointCount() override;
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

private:
    Steinberg::Vst::ParamID id;
    std::vector<std::pair<Steinberg::int32, double>> points;
};

class ParamChanges final : public HostObject<Steinberg::Vst::IParameterChanges>
{
public:
    ParamChanges() = default;
    // Appends a point to the queue of `id` (creating the queue at the end on first use).
    void add(Steinberg::Vst::ParamID id, double value, Steinberg::int32 offset = 0);
    void clear() { queues.clear(); }
    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

private:
    std::vector<ParamQueue> queues;
};

// A growable in-memory IBStream; `writeLimit` makes writes fail past that many bytes.
class MemoryStream final : public HostObject<Steinberg::IBStream>
{
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> initial) : data(std::move(initial)) {}
    std::size_t writeLimit = SIZE_MAX;
    std::vector<std::uint8_t> data;
    std::size_t position = 0;

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;
};

// What a block is told about tempo and transport; no value means no process context at all.
struct Transport
{
    double tempo = 120.0;
    bool tempoValid = true;
    bool playing = true;
};

// A processor created, initialised, set to stereo/stereo and set up, as a host does it.
class ProcessorDriver
{
public:
    ProcessorDriver(Steinberg::IPluginFactory& factory, double sampleRate, int maxBlock = 8192);
    // Drives a component created some other way (in-process unit tests); takes its reference.
    ProcessorDriver(Ref<Steinberg::Vst::IComponent> component, double sampleRate,
                    int maxBlock = 8192);
    ~ProcessorDriver();

    bool ready() const { return setupResult == Steinberg::kResultOk; }
    Steinberg::Vst::IComponent& component() const { return *componentRef.get(); }
    Steinberg::Vst::IAudioProcessor& processor() const { return *processorRef.get(); }

    // Runs one block: input (left, right) to output, with the queued parameter changes (which
    // are cleared afterwards) and the transport (nullopt: no process context).
    void process(const float* inL, const float* inR, float* outL, float* outR, int numSamples,
                 std::optional<Transport> transport = Transport{});
    // Runs a whole buffer in blocks of `blockSize`.
    void processBuffer(const std::vector<float>& inL, const std::vector<float>& inR,
                       std::vector<float>& outL, std::vector<float>& outR, int blockSize,
                       std::optional<Transport> transport = Transport{});
    // A call without audio (no buses, null buffer pointers) carrying the queued parameter
    // changes, as hosts flush parameters while nothing plays; returns what process returned.
    Steinberg::tresult flush(int numSamples = 0, std::optional<Transport> transport = Transport{});

    ParamChanges changes;
    double sampleRate;
    Steinberg::tresult setupResult = Steinberg::kResultFalse;
    // What the last process call returned.
    Steinberg::tresult processResult = Steinberg::kResultOk;

private:
    Steinberg::Vst::ProcessContext contextFor(const std::optional<Transport>& transport) const;

    Ref<Steinberg::Vst::IComponent> componentRef;
    Ref<Steinberg::Vst::IAudioProcessor> processorRef;
    Steinberg::int64 projectTime = 0;
};

std::vector<std::uint8_t> getState(Steinberg::Vst::IComponent& component);

// A parameter as the plug-in's edit controller publishes it to a host.
struct PublishedParameter
{
    Steinberg::Vst::ParamID id = 0;
    std::string title; // UTF-8
};

// Creates the component's edit controller through the factory and initialises it, as a host
// does; empty when it cannot be created. The caller terminates it.
Ref<Steinberg::Vst::IEditController> createController(Steinberg::IPluginFactory& factory,
                                                      Steinberg::Vst::IComponent& component);

// Creates the component's edit controller through the factory, as a host does, and lists its
// parameters in the host's index order; empty when the controller cannot be created.
std::vector<PublishedParameter> publishedParameters(Steinberg::IPluginFactory& factory,
                                                    Steinberg::Vst::IComponent& component);

} // namespace Ryvel::TestHost
