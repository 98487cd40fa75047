// SPDX-License-Identifier: GPL-3.0-or-later
// Every method of every interface the module hands out, called through the real module with what
// a careless or hostile host passes: indexes out of range and negative, unknown IDs, media types
// and bus directions the SDK does not define, bus counts other than one, and null pointers
// wherever a method can check them. Each call must answer with a result code; a throw fails the
// row instead of taking the test (or a host) down.
//
// The rule the rows hold the module to: an index out of range, an unknown unit, program list,
// media type or bus direction, and a null pointer answer kInvalidArgument. An unknown parameter
// ID answers kResultFalse, as the SDK's edit controller does for every tag lookup. kResultFalse
// also where the SDK documents it: unsupported arrangements, sample sizes, knob modes and
// platform types, and keys or help the view does not handle.

#include "TestHost.h"

#include "formats/vst3/ClassIds.h"
#include "formats/vst3/HostBoundary.h"
#include "formats/vst3/RyvelController.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;

namespace
{

constexpr int32 kInt32Min = std::numeric_limits<int32>::min();
constexpr int32 kInt32Max = std::numeric_limits<int32>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Indexes a host must never get an answer for, for a list of `count` entries.
std::vector<int32> badIndexes(int32 count)
{
    return {count, count + 1, -1, kInt32Min, kInt32Max};
}
const std::vector<MediaType> kBadMediaTypes = {2, 3, 4, 5, 6, 7};
const std::vector<BusDirection> kBadDirections = {2, 3, 4, 5};

// One call and the code it must answer; no code means any refusal (not kResultOk), for calls
// whose exact refusal code is pinned elsewhere.
struct Row
{
    std::string what;
    std::function<tresult()> call;
    std::optional<tresult> expected;
};

void expectAnswers(const std::vector<Row>& rows)
{
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        tresult result = kResultOk;
        EXPECT_NO_THROW(result = row.call());
        if (row.expected)
        {
            EXPECT_EQ(result, *row.expected);
        }
        else
        {
            EXPECT_NE(result, kResultOk);
        }
    }
}

std::string text(const char* call, int64 argument)
{
    return std::string(call) + "(" + std::to_string(argument) + ")";
}

class NoAttributesMessage final : public HostObject<IMessage>
{
public:
    explicit NoAttributesMessage(FIDString id) : id(id) {}
    FIDString PLUGIN_API getMessageID() override { return id; }
    void PLUGIN_API setMessageID(FIDString newId) override { id = newId; }
    IAttributeList* PLUGIN_API getAttributes() override { return nullptr; }

private:
    FIDString id;
};

class Peer final : public HostObject<IConnectionPoint>
{
public:
    tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API notify(IMessage*) override { return kResultOk; }
};

// The calls of IConnectionPoint, the same for both halves of the plug-in.
std::vector<Row> connectionRows(IConnectionPoint& point, Peer& peer, Peer& stranger)
{
    static NoAttributesMessage textMessage("TextMessage");
    static NoAttributesMessage unnamed(nullptr);
    return {
        {"connect(null)", [&] { return point.connect(nullptr); }, kInvalidArgument},
        {"disconnect(null)", [&] { return point.disconnect(nullptr); }, kResultFalse},
        {"notify(null)", [&] { return point.notify(nullptr); }, kInvalidArgument},
        {"notify(text message without attributes)", [&] { return point.notify(&textMessage); },
         kInvalidArgument},
        {"notify(message without ID)", [&] { return point.notify(&unnamed); }, kResultFalse},
        {"connect(peer)", [&] { return point.connect(&peer); }, kResultOk},
        {"connect(second peer)", [&] { return point.connect(&stranger); }, kResultFalse},
        {"disconnect(stranger)", [&] { return point.disconnect(&stranger); }, kResultFalse},
        {"disconnect(peer)", [&] { return point.disconnect(&peer); }, kResultOk},
    };
}

class InterfaceConformance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.loaded()) << module.error();
        factory = module.factory();
        ASSERT_TRUE(factory);
        Ryvel::Product::toFuid(Ryvel::Product::kProcessorId).toTUID(processorId);
        Ryvel::Product::toFuid(Ryvel::Product::kControllerId).toTUID(controllerId);
        component = createInstance<IComponent>(*factory.get(), processorId);
        controller = createInstance<IEditController>(*factory.get(), controllerId);
        ASSERT_TRUE(component);
        ASSERT_TRUE(controller);
        ASSERT_EQ(component->initialize(nullptr), kResultOk);
        ASSERT_EQ(controller->initialize(nullptr), kResultOk);
        processor = component.query<IAudioProcessor>();
        ASSERT_TRUE(processor);
    }
    void TearDown() override
    {
        if (component)
            component->terminate();
        if (controller)
            controller->terminate();
    }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory;
    TUID processorId{};
    TUID controllerId{};
    Ref<IComponent> component;
    Ref<IAudioProcessor> processor;
    Ref<IEditController> controller;
};

TEST_F(InterfaceConformance, FactoryRefusesOutOfRangeClassesUnknownIdsAndNullPointers)
{
    auto factory2 = factory.query<IPluginFactory2>();
    auto factory3 = factory.query<IPluginFactory3>();
    ASSERT_TRUE(factory2);
    ASSERT_TRUE(factory3);
    PClassInfo info;
    PClassInfo2 info2;
    PClassInfoW infoW;
    std::vector<Row> rows = {
        {"getFactoryInfo(null)", [&] { return factory->getFactoryInfo(nullptr); },
         kInvalidArgument},
        {"getClassInfo(0, null)", [&] { return factory->getClassInfo(0, nullptr); },
         kInvalidArgument},
        {"getClassInfo2(0, null)", [&] { return factory2->getClassInfo2(0, nullptr); },
         kInvalidArgument},
        {"getClassInfoUnicode(0, null)", [&] { return factory3->getClassInfoUnicode(0, nullptr); },
         kInvalidArgument},
        {"setHostContext(null)", [&] { return factory3->setHostContext(nullptr); },
         kNotImplemented},
    };
    for (int32 i : badIndexes(factory->countClasses()))
    {
        rows.push_back({text("getClassInfo", i), [&, i] { return factory->getClassInfo(i, &info); },
                        kInvalidArgument});
        rows.push_back({text("getClassInfo2", i),
                        [&, i] { return factory2->getClassInfo2(i, &info2); }, kInvalidArgument});
        rows.push_back({text("getClassInfoUnicode", i),
                        [&, i] { return factory3->getClassInfoUnicode(i, &infoW); },
                        kInvalidArgument});
    }

    // createInstance must also leave the out-pointer null whenever it refuses.
    const TUID unknownId = {0x7F};
    void* obj = &info;
    const auto create = [&](FIDString cid, FIDString iid, void** out)
    {
        obj = &info;
        const tresult result = factory->createInstance(cid, iid, out);
        if (out != nullptr)
        {
            EXPECT_EQ(obj, nullptr);
        }
        return result;
    };
    rows.push_back({"createInstance(null class)",
                    [&] { return create(nullptr, IComponent::iid, &obj); }, kInvalidArgument});
    rows.push_back({"createInstance(null interface)",
                    [&] { return create(processorId, nullptr, &obj); }, kInvalidArgument});
    rows.push_back({"createInstance(null out)",
                    [&] { return create(processorId, IComponent::iid, nullptr); },
                    kInvalidArgument});
    rows.push_back({"createInstance(unknown class)",
                    [&] { return create(unknownId, IComponent::iid, &obj); }, kNoInterface});
    rows.push_back({"createInstance(processor as controller)",
                    [&] { return create(processorId, IEditController::iid, &obj); }, kNoInterface});
    expectAnswers(rows);
}

TEST_F(InterfaceConformance, ComponentHasNoBusesOfUnknownKindsOrIndexes)
{
    for (MediaType type : {kAudio, kEvent})
        for (BusDirection dir : kBadDirections)
            EXPECT_EQ(component->getBusCount(type, dir), 0) << type << " " << dir;
    for (MediaType type : kBadMediaTypes)
        for (BusDirection dir : {kInput, kOutput})
            EXPECT_EQ(component->getBusCount(type, dir), 0) << type << " " << dir;

    BusInfo bus{};
    RoutingInfo in{};
    RoutingInfo out{};
    std::vector<Row> rows = {
        {"getControllerClassId(null)", [&] { return component->getControllerClassId(nullptr); },
         kInvalidArgument},
        {"setState(null)", [&] { return component->setState(nullptr); }, kInvalidArgument},
        {"getState(null)", [&] { return component->getState(nullptr); }, kInvalidArgument},
        {"setIoMode(99)", [&] { return component->setIoMode(99); }, kNotImplemented},
        {"getRoutingInfo", [&] { return component->getRoutingInfo(in, out); }, kNotImplemented},
        {"getBusInfo(event input 0)", [&] { return component->getBusInfo(kEvent, kInput, 0, bus); },
         kInvalidArgument},
    };
    const auto busRows = [&](MediaType type, BusDirection dir, int32 index)
    {
        const std::string args = "(" + std::to_string(type) + ", " + std::to_string(dir) + ", " +
                                 std::to_string(index) + ")";
        rows.push_back({"getBusInfo" + args,
                        [&, type, dir, index]
                        { return component->getBusInfo(type, dir, index, bus); },
                        kInvalidArgument});
        rows.push_back({"activateBus" + args,
                        [&, type, dir, index]
                        { return component->activateBus(type, dir, index, false); },
                        kInvalidArgument});
    };
    for (BusDirection dir : kBadDirections)
        busRows(kAudio, dir, 0);
    for (MediaType type : kBadMediaTypes)
        busRows(type, kOutput, 0);
    for (int32 index : badIndexes(1))
        busRows(kAudio, kInput, index);
    expectAnswers(rows);

    // None of that reached the real buses.
    ASSERT_EQ(component->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
    EXPECT_EQ(bus.direction, kOutput);
    EXPECT_EQ(bus.channelCount, 2);
}

TEST_F(InterfaceConformance, AudioProcessorRefusesOtherArrangementsAndKeepsItsOwn)
{
    SpeakerArrangement stereo[3] = {SpeakerArr::kStereo, SpeakerArr::kStereo, SpeakerArr::kStereo};
    SpeakerArrangement mono[1] = {SpeakerArr::kMono};
    SpeakerArrangement arrangement = 0;
    std::vector<Row> rows = {
        {"three buses each way",
         [&] { return processor->setBusArrangements(stereo, 3, stereo, 3); }, kResultFalse},
        {"three inputs", [&] { return processor->setBusArrangements(stereo, 3, stereo, 1); },
         kResultFalse},
        {"no buses", [&] { return processor->setBusArrangements(nullptr, 0, nullptr, 0); },
         kResultFalse},
        {"no output", [&] { return processor->setBusArrangements(stereo, 1, nullptr, 0); },
         kResultFalse},
        {"null arrays", [&] { return processor->setBusArrangements(nullptr, 1, nullptr, 1); },
         kResultFalse},
        {"negative counts", [&] { return processor->setBusArrangements(stereo, -1, stereo, -1); },
         kResultFalse},
        {"mono in", [&] { return processor->setBusArrangements(mono, 1, stereo, 1); },
         kResultFalse},
        {"canProcessSampleSize(64-bit)", [&] { return processor->canProcessSampleSize(kSample64); },
         kResultFalse},
        {"canProcessSampleSize(-1)", [&] { return processor->canProcessSampleSize(-1); },
         kResultFalse},
        {"setProcessing", [&] { return processor->setProcessing(true); }, kNotImplemented},
    };
    for (BusDirection dir : kBadDirections)
        rows.push_back({text("getBusArrangement, direction", dir),
                        [&, dir] { return processor->getBusArrangement(dir, 0, arrangement); },
                        kInvalidArgument});
    for (int32 index : badIndexes(1))
        rows.push_back({text("getBusArrangement, output", index),
                        [&, index]
                        { return processor->getBusArrangement(kOutput, index, arrangement); },
                        kInvalidArgument});
    for (double rate : {kNaN, std::numeric_limits<double>::infinity(), 0.0, -44100.0})
        rows.push_back({"setupProcessing at " + std::to_string(rate),
                        [&, rate]
                        {
                            ProcessSetup setup{kRealtime, kSample32, 512, rate};
                            return processor->setupProcessing(setup);
                        },
                        std::nullopt});
    expectAnswers(rows);

    ASSERT_EQ(processor->getBusArrangement(kInput, 0, arrangement), kResultOk);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo);
    ASSERT_EQ(processor->getBusArrangement(kOutput, 0, arrangement), kResultOk);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo);
}

// `process` is not behind the firewall: it must cope with malformed blocks by itself.
TEST_F(InterfaceConformance, ProcessAnswersMalformedBlocksWithoutThrowing)
{
    ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
    ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(component->setActive(true), kResultOk);

    float left[64] = {};
    float right[64] = {};
    float* channels[2] = {left, right};
    AudioBusBuffers stereoBus{};
    stereoBus.numChannels = 2;
    stereoBus.channelBuffers32 = channels;
    AudioBusBuffers monoBus = stereoBus;
    monoBus.numChannels = 1;
    AudioBusBuffers noChannels{};
    noChannels.numChannels = 2;

    const auto block =
        [&](int32 numSamples, AudioBusBuffers* buses, int32 numBuses, int32 sampleSize = kSample32)
    {
        ProcessData data{};
        data.symbolicSampleSize = sampleSize;
        data.numSamples = numSamples;
        data.inputs = buses;
        data.numInputs = numBuses;
        data.outputs = buses;
        data.numOutputs = numBuses;
        return processor->process(data);
    };
    expectAnswers({
        {"empty process data", [&] { return block(0, nullptr, 0); }, kResultOk},
        {"negative sample count", [&] { return block(-1, &stereoBus, 1); }, kResultOk},
        {"samples but no buses", [&] { return block(64, nullptr, 3); }, kResultOk},
        {"buses without channel pointers", [&] { return block(64, &noChannels, 1); }, kResultOk},
        {"one channel", [&] { return block(64, &monoBus, 1); }, kResultOk},
        {"64-bit samples", [&] { return block(64, &stereoBus, 1, kSample64); }, kResultOk},
    });
    EXPECT_EQ(component->setActive(false), kResultOk);
}

TEST_F(InterfaceConformance, ProcessorAsksForTempoAndTransport)
{
    auto requirements = component.query<IProcessContextRequirements>();
    ASSERT_TRUE(requirements);
    EXPECT_EQ(requirements->getProcessContextRequirements(),
              IProcessContextRequirements::kNeedTempo |
                  IProcessContextRequirements::kNeedTransportState);
}

TEST_F(InterfaceConformance, EditControllerRefusesOutOfRangeIndexesAndUnknownParameters)
{
    const int32 count = controller->getParameterCount();
    ASSERT_EQ(count, 55);
    ParameterInfo info{};
    String128 string{};
    TChar number[] = {'0', '.', '5', 0};
    TChar garbage[] = {'x', 0};
    ParamValue value = 0.0;
    MemoryStream stream;
    std::vector<Row> rows = {
        {"getParamStringByValue(null)",
         [&] { return controller->getParamStringByValue(128, 0.5, nullptr); }, kInvalidArgument},
        {"getParamStringByValue(unknown)",
         [&] { return controller->getParamStringByValue(40, 0.5, string); }, kResultFalse},
        {"getParamStringByValue(NaN)",
         [&] { return controller->getParamStringByValue(128, kNaN, string); }, kResultOk},
        {"getParamValueByString(null)",
         [&] { return controller->getParamValueByString(128, nullptr, value); }, kInvalidArgument},
        {"getParamValueByString(unknown)",
         [&] { return controller->getParamValueByString(40, number, value); }, kResultFalse},
        {"getParamValueByString(garbage)",
         [&] { return controller->getParamValueByString(128, garbage, value); }, kResultFalse},
        {"setParamNormalized(unknown)", [&] { return controller->setParamNormalized(40, 0.5); },
         kResultFalse},
        {"setParamNormalized(NaN)", [&] { return controller->setParamNormalized(128, kNaN); },
         kResultFalse},
        {"setComponentState(null)", [&] { return controller->setComponentState(nullptr); },
         kResultFalse},
        {"setComponentState(empty)", [&] { return controller->setComponentState(&stream); },
         kResultOk},
        {"setState(null)", [&] { return controller->setState(nullptr); }, kNotImplemented},
        {"getState(null)", [&] { return controller->getState(nullptr); }, kNotImplemented},
        {"setComponentHandler(null)", [&] { return controller->setComponentHandler(nullptr); },
         kResultOk},
    };
    for (int32 i : badIndexes(count))
        rows.push_back({text("getParameterInfo", i),
                        [&, i] { return controller->getParameterInfo(i, info); },
                        kInvalidArgument});
    expectAnswers(rows);

    // Value conversions answer a number for any ID and value.
    for (ParamID id : {ParamID{40}, ParamID{kInt32Max}, ParamID{128}})
        for (double v : {kNaN, -1.0, 2.0})
        {
            EXPECT_NO_THROW(controller->normalizedParamToPlain(id, v));
            EXPECT_NO_THROW(controller->plainParamToNormalized(id, v));
        }
    EXPECT_EQ(controller->getParamNormalized(40), 0.0);

    for (const char* name : {"", "editor ", "EDITOR", "view"})
    {
        SCOPED_TRACE(name);
        IPlugView* view = nullptr;
        EXPECT_NO_THROW(view = controller->createView(name));
        EXPECT_EQ(view, nullptr);
    }

    auto controller2 = controller.query<IEditController2>();
    ASSERT_TRUE(controller2);
    std::vector<Row> rows2 = {
        {"openHelp", [&] { return controller2->openHelp(false); }, kResultFalse},
        {"openAboutBox", [&] { return controller2->openAboutBox(false); }, kResultFalse},
    };
    for (KnobMode mode : {-1, 3, 99, kInt32Min})
        rows2.push_back({text("setKnobMode", mode),
                         [&, mode] { return controller2->setKnobMode(mode); }, kResultFalse});
    expectAnswers(rows2);
}

TEST_F(InterfaceConformance, UnitInfoListsTheRootUnitAndNoProgramLists)
{
    auto unitInfo = controller.query<IUnitInfo>();
    ASSERT_TRUE(unitInfo);
    ASSERT_EQ(unitInfo->getUnitCount(), 1);
    UnitInfo unit{};
    ASSERT_EQ(unitInfo->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, kRootUnitId);
    EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
    EXPECT_EQ(unit.programListId, kNoProgramListId);
    ASSERT_EQ(unitInfo->getProgramListCount(), 0);

    ProgramListInfo list{};
    String128 name{};
    UnitID owner = 12345;
    MemoryStream data;
    std::vector<Row> rows = {
        {"selectUnit(root)", [&] { return unitInfo->selectUnit(kRootUnitId); }, kResultOk},
        {"getUnitByBus(audio input 0)",
         [&] { return unitInfo->getUnitByBus(kAudio, kInput, 0, 0, owner); }, kResultFalse},
        {"getUnitByBus(bus -1)",
         [&] { return unitInfo->getUnitByBus(kAudio, kInput, -1, 0, owner); }, kInvalidArgument},
        {"setUnitProgramData(root unit)",
         [&] { return unitInfo->setUnitProgramData(kRootUnitId, -1, &data); }, kResultFalse},
        {"setUnitProgramData(unknown unit)",
         [&] { return unitInfo->setUnitProgramData(7, -1, &data); }, kInvalidArgument},
        {"setUnitProgramData(unknown list)",
         [&] { return unitInfo->setUnitProgramData(0, 0, &data); }, kInvalidArgument},
        {"setUnitProgramData(null)",
         [&] { return unitInfo->setUnitProgramData(kRootUnitId, -1, nullptr); }, kInvalidArgument},
        {"getProgramName(null)", [&] { return unitInfo->getProgramName(0, 0, nullptr); },
         kInvalidArgument},
        {"getProgramInfo(null attribute)",
         [&] { return unitInfo->getProgramInfo(0, 0, nullptr, name); }, kInvalidArgument},
        {"getProgramInfo(null value)",
         [&] { return unitInfo->getProgramInfo(0, 0, "name", nullptr); }, kInvalidArgument},
        {"getProgramPitchName(null)",
         [&] { return unitInfo->getProgramPitchName(0, 0, 60, nullptr); }, kInvalidArgument},
    };
    for (int32 i : badIndexes(1))
        rows.push_back({text("getUnitInfo", i), [&, i] { return unitInfo->getUnitInfo(i, unit); },
                        kInvalidArgument});
    for (int32 i : badIndexes(0))
        rows.push_back({text("getProgramListInfo", i),
                        [&, i] { return unitInfo->getProgramListInfo(i, list); },
                        kInvalidArgument});
    for (UnitID id : {1, -1, kInt32Max, kInt32Min})
        rows.push_back({text("selectUnit", id), [&, id] { return unitInfo->selectUnit(id); },
                        kInvalidArgument});
    for (ProgramListID listId : {kNoProgramListId, 0, 1, kInt32Max})
        for (int32 program : {0, -1, kInt32Max})
        {
            const std::string args =
                "(" + std::to_string(listId) + ", " + std::to_string(program) + ")";
            rows.push_back({"getProgramName" + args,
                            [&, listId, program]
                            { return unitInfo->getProgramName(listId, program, name); },
                            kInvalidArgument});
            rows.push_back({"getProgramInfo" + args,
                            [&, listId, program]
                            { return unitInfo->getProgramInfo(listId, program, "name", name); },
                            kInvalidArgument});
            rows.push_back({"getProgramPitchName" + args,
                            [&, listId, program]
                            { return unitInfo->getProgramPitchName(listId, program, 60, name); },
                            kInvalidArgument});
            rows.push_back({"hasProgramPitchNames" + args,
                            [&, listId, program]
                            { return unitInfo->hasProgramPitchNames(listId, program); },
                            kResultFalse});
        }
    for (MediaType type : kBadMediaTypes)
        rows.push_back({text("getUnitByBus, media type", type),
                        [&, type] { return unitInfo->getUnitByBus(type, kInput, 0, 0, owner); },
                        kInvalidArgument});
    for (BusDirection dir : kBadDirections)
        rows.push_back({text("getUnitByBus, direction", dir),
                        [&, dir] { return unitInfo->getUnitByBus(kAudio, dir, 0, 0, owner); },
                        kInvalidArgument});
    expectAnswers(rows);
    EXPECT_EQ(unitInfo->getSelectedUnit(), kRootUnitId);
}

TEST_F(InterfaceConformance, BothHalvesCheckPeersAndMessages)
{
    Peer peer;
    Peer stranger;
    auto processorPoint = component.query<IConnectionPoint>();
    auto controllerPoint = controller.query<IConnectionPoint>();
    ASSERT_TRUE(processorPoint);
    ASSERT_TRUE(controllerPoint);
    {
        SCOPED_TRACE("processor");
        expectAnswers(connectionRows(*processorPoint.get(), peer, stranger));
    }
    {
        SCOPED_TRACE("controller");
        expectAnswers(connectionRows(*controllerPoint.get(), peer, stranger));
    }
}

TEST_F(InterfaceConformance, EditorViewAnswersHostileCallsWithoutAWindow)
{
    Ref<IPlugView> view(controller->createView(ViewType::kEditor));
    ASSERT_TRUE(view);
    auto scale = view.query<IPlugViewContentScaleSupport>();
    ASSERT_TRUE(scale);
    ViewRect before;
    ASSERT_EQ(view->getSize(&before), kResultTrue);
    ASSERT_GT(before.getWidth(), 0);

    // The one window type the editor takes on this system, and another system's.
#if SMTG_OS_WINDOWS
    const FIDString native = kPlatformTypeHWND;
    const FIDString foreign = kPlatformTypeX11EmbedWindowID;
#else
    const FIDString native = kPlatformTypeX11EmbedWindowID;
    const FIDString foreign = kPlatformTypeHWND;
#endif
    int parent = 0; // never dereferenced: every attach below is refused before any window
    ViewRect negative(0, 0, -5, -5);
    ViewRect overflowing(kInt32Min, kInt32Min, kInt32Max, kInt32Max);
    ViewRect same = before;
    std::vector<Row> rows = {
        {"isPlatformTypeSupported(null)", [&] { return view->isPlatformTypeSupported(nullptr); },
         kResultFalse},
        {"isPlatformTypeSupported(foreign)", [&] { return view->isPlatformTypeSupported(foreign); },
         kResultFalse},
        {"isPlatformTypeSupported(empty)", [&] { return view->isPlatformTypeSupported(""); },
         kResultFalse},
        {"attached(null parent)", [&] { return view->attached(nullptr, native); },
         kInvalidArgument},
        {"attached(null, null)", [&] { return view->attached(nullptr, nullptr); },
         kInvalidArgument},
        {"attached(foreign type)", [&] { return view->attached(&parent, foreign); }, kResultFalse},
        {"attached(null type)", [&] { return view->attached(&parent, nullptr); }, kResultFalse},
        // Without a frame there is no host run loop to drive the editor (Linux); the parent is
        // no window (Windows asks the system).
        {"attached(no frame, no window)", [&] { return view->attached(&parent, native); },
         kResultFalse},
        {"removed() while not attached", [&] { return view->removed(); }, kResultOk},
        {"getSize(null)", [&] { return view->getSize(nullptr); }, kInvalidArgument},
        {"onSize(null)", [&] { return view->onSize(nullptr); }, kInvalidArgument},
        {"onSize(negative)", [&] { return view->onSize(&negative); }, kInvalidArgument},
        {"onSize(overflowing)", [&] { return view->onSize(&overflowing); }, kInvalidArgument},
        {"onSize(same size)", [&] { return view->onSize(&same); }, kResultTrue},
        {"checkSizeConstraint(null)", [&] { return view->checkSizeConstraint(nullptr); },
         kResultFalse},
        {"canResize", [&] { return view->canResize(); }, kResultFalse},
        {"onWheel(NaN)", [&] { return view->onWheel(std::nanf("")); }, kResultFalse},
        {"onKeyDown", [&] { return view->onKeyDown(0xFFFF, -1, -1); }, kResultFalse},
        {"onKeyUp",
         [&] {
             return view->onKeyUp(0, std::numeric_limits<int16>::max(),
                                  std::numeric_limits<int16>::min());
         },
         kResultFalse},
        {"onFocus", [&] { return view->onFocus(true); }, kResultFalse},
        {"setFrame(null)", [&] { return view->setFrame(nullptr); }, kResultTrue},
    };
    const float inf = std::numeric_limits<float>::infinity();
    for (float factor : {0.0f, -1.0f, std::nanf(""), inf, -inf, 8.5f, 1e30f})
        rows.push_back({"setContentScaleFactor(" + std::to_string(factor) + ")",
                        [&, factor] { return scale->setContentScaleFactor(factor); },
                        kInvalidArgument});
    expectAnswers(rows);

    ViewRect after;
    ASSERT_EQ(view->getSize(&after), kResultTrue);
    EXPECT_EQ(after.getWidth(), before.getWidth());
    EXPECT_EQ(after.getHeight(), before.getHeight());

    // A valid factor still scales the view.
    ASSERT_EQ(scale->setContentScaleFactor(2.0f), kResultTrue);
    ASSERT_EQ(view->getSize(&after), kResultTrue);
    EXPECT_NEAR(after.getWidth(), 2 * before.getWidth(), 2);
}

// The firewall itself, in-process: the view factory is the seam through which the toolkit's
// constructors run inside createView.
TEST(HostBoundary, ThrowingViewFactoryGivesNoView)
{
    auto* controller = new Ryvel::RyvelController();
    ASSERT_EQ(controller->initialize(nullptr), kResultOk);
    const std::vector<std::pair<const char*, Ryvel::RyvelController::ViewFactory>> throwers = {
        {"std::bad_alloc", [](Ryvel::RyvelController&) -> IPlugView* { throw std::bad_alloc(); }},
        {"std::runtime_error",
         [](Ryvel::RyvelController&) -> IPlugView* { throw std::runtime_error("toolkit"); }},
        {"not a std::exception", [](Ryvel::RyvelController&) -> IPlugView* { throw 42; }},
    };
    for (const auto& [what, factory] : throwers)
    {
        SCOPED_TRACE(what);
        Ryvel::RyvelController::setViewFactory(factory);
        IPlugView* view = nullptr;
        EXPECT_NO_THROW(view = controller->createView(ViewType::kEditor));
        EXPECT_EQ(view, nullptr);
    }
    Ryvel::RyvelController::setViewFactory(nullptr);
    controller->terminate();
    controller->release();
}

// Runs in a child process, before any other test of the binary has reported anything: the
// first stopped exception is reported on one line, later ones not at all.
TEST(HostBoundaryDeathTest, ReportsOnlyTheFirstStoppedException)
{
    EXPECT_EXIT(
        {
            for (int i = 0; i < 3; ++i)
                Ryvel::guardHostCall("createView", []() -> tresult { throw std::bad_alloc(); });
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "^Ryvel: createView failed: an exception \\(std::bad_alloc\\)[^\n]*\n$");
    EXPECT_EQ(Ryvel::guardHostCall("createView", []() -> tresult { throw 1; }), kInternalError);
}

} // namespace
