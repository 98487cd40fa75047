// SPDX-License-Identifier: GPL-3.0-or-later
// The edit controller as a host sees it, and its forward to an open editor.

#include "TestHost.h"

#include "core/ParameterCatalogue.h"
#include "core/StateFormat.h"
#include "formats/vst3/ClassIds.h"
#include "formats/vst3/RyvelController.h"

#include "pluginterfaces/base/ustring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;

namespace
{

std::string toAscii(const TChar* text)
{
    std::string out;
    for (; *text != 0; ++text)
        out.push_back(static_cast<char>(*text));
    return out;
}

// Little-endian state bytes built field by field, independent of the code under test.
struct StateBytes
{
    std::vector<std::uint8_t> bytes;
    void int32(std::int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    }
    void float32(float f)
    {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        int32(static_cast<std::int32_t>(v));
    }
};

class ControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.loaded()) << module.error();
        factory = module.factory();
        TUID cid;
        Ryvel::Product::toFuid(Ryvel::Product::kControllerId).toTUID(cid);
        controller = createInstance<IEditController>(*factory.get(), cid);
        ASSERT_TRUE(controller);
        ASSERT_EQ(controller->initialize(nullptr), kResultOk);
    }
    void TearDown() override
    {
        if (controller)
            controller->terminate();
    }

    PluginModule module{moduleFileInBundle(builtBundle())};
    Ref<IPluginFactory> factory;
    Ref<IEditController> controller;
};

TEST_F(ControllerTest, PublishesTheCatalogueInRegistrationOrder)
{
    ASSERT_EQ(controller->getParameterCount(), 55);
    for (int32 i = 0; i < 55; ++i)
    {
        const Ryvel::ParamInfo& expected = Ryvel::kParams[static_cast<size_t>(i)];
        SCOPED_TRACE(std::string(expected.title()));
        ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, expected.id);
        EXPECT_EQ(toAscii(info.title), expected.title());
        EXPECT_EQ(toAscii(info.shortTitle), "");
        EXPECT_EQ(toAscii(info.units), "");
        EXPECT_EQ(info.stepCount, expected.stepCount);
        EXPECT_EQ(info.defaultNormalizedValue, expected.defaultValue);
        EXPECT_EQ(info.unitId, kRootUnitId);
        const int32 flags =
            ParameterInfo::kCanAutomate | (expected.isBypass() ? ParameterInfo::kIsBypass : 0);
        EXPECT_EQ(info.flags, flags);
        EXPECT_EQ(controller->getParamNormalized(info.id), expected.defaultValue);
    }
    // Spot checks against the naming rule rather than the table itself.
    ParameterInfo info{};
    controller->getParameterInfo(20, info);
    EXPECT_EQ(toAscii(info.title), "V3 Step 5");
    controller->getParameterInfo(54, info);
    EXPECT_EQ(toAscii(info.title), "Bypass");
    EXPECT_EQ(info.id, 167u);
}

TEST_F(ControllerTest, ShowsAndParsesValueTexts)
{
    String128 text;
    ASSERT_EQ(controller->getParamStringByValue(3, 1.0, text), kResultOk);
    EXPECT_EQ(toAscii(text), "On");
    // Exactly 0.5 plays the step, so it reads "On"; just below it does not.
    controller->getParamStringByValue(3, 0.5, text);
    EXPECT_EQ(toAscii(text), "On");
    controller->getParamStringByValue(167, 0.4999, text);
    EXPECT_EQ(toAscii(text), "Off");
    controller->getParamStringByValue(128, 0.7, text);
    EXPECT_EQ(toAscii(text), "0.7000");
    controller->getParamStringByValue(162, 0.123456, text);
    EXPECT_EQ(toAscii(text), "0.1235");

    ParamValue parsed = -1.0;
    ASSERT_EQ(controller->getParamValueByString(149, const_cast<TChar*>(STR16("0.25")), parsed),
              kResultOk);
    EXPECT_DOUBLE_EQ(parsed, 0.25);
}

TEST_F(ControllerTest, RefusesUnknownIdsAndNonFiniteValues)
{
    EXPECT_EQ(controller->setParamNormalized(40, 0.5), kResultFalse);
    EXPECT_EQ(controller->setParamNormalized(128, std::numeric_limits<double>::quiet_NaN()),
              kResultFalse);
    EXPECT_EQ(controller->setParamNormalized(128, std::numeric_limits<double>::infinity()),
              kResultFalse);
    EXPECT_EQ(controller->getParamNormalized(128), 0.7);
}

TEST_F(ControllerTest, OffersNoViewForOtherNames)
{
    EXPECT_EQ(controller->createView(nullptr), nullptr);
    EXPECT_EQ(controller->createView("Editor"), nullptr);
    EXPECT_EQ(controller->createView("editor2"), nullptr);
}

TEST_F(ControllerTest, MirrorsStatesIncludingShortAndHostileOnes)
{
    EXPECT_EQ(controller->setComponentState(nullptr), kResultFalse);

    StateBytes state;
    for (int i = 0; i < 32; ++i)
        state.int32(i == 0 ? 2 : (i == 1 ? -1 : 0));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Voice 1: gain NaN, pan 1.5, drive -1, filter 0.25, reso 0.125; the others in range.
    for (float f : {nan, 1.5f, -1.0f, 0.25f, 0.125f})
        state.float32(f);
    for (int v = 1; v < 4; ++v)
        for (float f : {0.1f, 0.2f, 0.3f, 0.4f, 0.5f})
            state.float32(f);
    state.float32(0.9f); // mix
    state.int32(1);      // bypass
    // The high-pass is missing: a 216-byte stream.
    ASSERT_EQ(state.bytes.size(), 216u);

    MemoryStream stream(state.bytes);
    ASSERT_EQ(controller->setComponentState(&stream), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(0), 1.0);
    EXPECT_EQ(controller->getParamNormalized(1), 1.0);
    EXPECT_EQ(controller->getParamNormalized(2), 0.0);
    EXPECT_EQ(controller->getParamNormalized(128), 0.7); // NaN loads as the default
    EXPECT_EQ(controller->getParamNormalized(136), 1.0);
    EXPECT_EQ(controller->getParamNormalized(144), 0.0);
    EXPECT_EQ(controller->getParamNormalized(148), static_cast<double>(0.25f));
    EXPECT_EQ(controller->getParamNormalized(153), static_cast<double>(0.5f));
    EXPECT_EQ(controller->getParamNormalized(162), static_cast<double>(0.9f));
    EXPECT_EQ(controller->getParamNormalized(167), 1.0);
    EXPECT_EQ(controller->getParamNormalized(163), 0.0);

    MemoryStream empty;
    ASSERT_EQ(controller->setComponentState(&empty), kResultOk);
    for (const Ryvel::ParamInfo& info : Ryvel::kParams)
        EXPECT_EQ(controller->getParamNormalized(info.id), 0.0) << info.title();
}

TEST_F(ControllerTest, FollowsTheProcessorStateAsAHostPassesIt)
{
    ProcessorDriver driver(*factory.get(), 44100.0);
    ASSERT_TRUE(driver.ready());
    driver.changes.add(9, 1.0);
    driver.changes.add(150, 0.3);
    driver.changes.add(163, 0.6);
    driver.changes.add(167, 1.0);
    float silence[4] = {};
    float out[2][4];
    driver.process(silence, silence, out[0], out[1], 4);

    MemoryStream stream(getState(driver.component()));
    ASSERT_EQ(controller->setComponentState(&stream), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(9), 1.0);
    EXPECT_EQ(controller->getParamNormalized(150), static_cast<double>(0.3f));
    EXPECT_EQ(controller->getParamNormalized(163), static_cast<double>(0.6f));
    EXPECT_EQ(controller->getParamNormalized(167), 1.0);
    EXPECT_EQ(controller->getParamNormalized(128), static_cast<double>(0.7f));
}

// In-process: an editor stand-in registered with the controller class itself.
class RecordingEditor : public Ryvel::EditorLink
{
public:
    void updateControlFromParam(Ryvel::ParamId id, double value) override
    {
        seen.emplace_back(id, value);
    }
    std::vector<std::pair<Ryvel::ParamId, double>> seen;
};

TEST(ControllerEditorLink, ForwardsOnlyAcceptedValuesToTheRegisteredEditor)
{
    auto* controller = new Ryvel::RyvelController();
    ASSERT_EQ(controller->initialize(nullptr), kResultOk);
    RecordingEditor first, second;

    controller->registerEditor(&first);
    controller->setParamNormalized(129, 0.25);
    controller->setParamNormalized(40, 0.5);
    controller->setParamNormalized(130, std::numeric_limits<double>::quiet_NaN());
    controller->setParamNormalized(162, 1.5); // the parameter limits it to 1
    ASSERT_EQ(first.seen.size(), 2u);
    EXPECT_EQ(first.seen[0], (std::pair<Ryvel::ParamId, double>{129, 0.25}));
    EXPECT_EQ(first.seen[1], (std::pair<Ryvel::ParamId, double>{162, 1.0}));

    // A second view attached before the first was removed: the first may not cut it off.
    controller->registerEditor(&second);
    controller->unregisterEditor(&first);
    EXPECT_EQ(controller->currentEditor(), &second);
    controller->unregisterEditor(&second);
    EXPECT_EQ(controller->currentEditor(), nullptr);
    controller->setParamNormalized(129, 0.5);
    EXPECT_TRUE(second.seen.empty());

    // The default state reaches an open editor as the defaults.
    controller->registerEditor(&first);
    first.seen.clear();
    {
        Ryvel::TestHost::MemoryStream stream;
        for (int i = 0; i < 32; ++i)
            stream.data.insert(stream.data.end(), 4, 0);
        const std::uint8_t voice[20] = {0x33, 0x33, 0x33, 0x3F, 0,    0,    0, 0x3F, 0, 0,
                                        0,    0,    0,    0,    0x80, 0x3F, 0, 0,    0, 0};
        for (int v = 0; v < 4; ++v)
            stream.data.insert(stream.data.end(), voice, voice + 20);
        const std::uint8_t tail[12] = {0, 0, 0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0};
        stream.data.insert(stream.data.end(), tail, tail + 12);
        ASSERT_EQ(controller->setComponentState(&stream), kResultOk);
    }
    ASSERT_EQ(first.seen.size(), 55u);
    for (const auto& [id, value] : first.seen)
        EXPECT_EQ(value, static_cast<double>(static_cast<float>(Ryvel::defaultValue(id)))) << id;
    controller->unregisterEditor(&first);
    controller->terminate();
    controller->release();
}

} // namespace
