// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 UI's side of the editor, with the editor open off-screen: port events move the
// controls, edits leave as port writes inside ui:touch gestures (or bare, for hosts without
// ui:touch such as jalv), a preset writes its ports and nothing else, and the playhead port
// drives the grid's flashes.

#include "editor/RyvelEditor.h"
#include "editor/controls/LabelSlider.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "formats/lv2/Lv2Ports.h"
#include "formats/lv2/Lv2UiHost.h"
#include "presets/FactoryPresetsData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace Ryvel::Lv2
{
namespace
{

std::uint32_t portOf(ParamId id)
{
    return paramPort(paramIndex(id));
}

// What the UI asks of the host, in order: "grab 5", "write 5 1", "release 5".
struct HostRecord
{
    std::vector<std::string> events;
    std::vector<std::pair<std::uint32_t, float>> writes;

    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t protocol, const void* buffer)
    {
        auto* self = static_cast<HostRecord*>(controller);
        ASSERT_EQ(protocol, 0u);
        ASSERT_EQ(size, sizeof(float));
        float value = 0.0f;
        std::memcpy(&value, buffer, sizeof value);
        self->writes.emplace_back(port, value);
        char text[64];
        std::snprintf(text, sizeof text, "write %u %g", port, static_cast<double>(value));
        self->events.emplace_back(text);
    }
    static void touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed)
    {
        static_cast<HostRecord*>(handle)->events.push_back((grabbed ? "grab " : "release ") +
                                                           std::to_string(port));
    }
};

class Lv2UiAdapter : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        static int counter = 0;
        home = std::filesystem::temp_directory_path() /
               ("ryvel-lv2ui-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        touch = {&record, &HostRecord::touch};
        host = std::make_unique<Lv2UiHost>(&HostRecord::write, &record,
                                           offersTouch() ? &touch : nullptr, nullptr);
        editor = std::make_unique<RyvelEditor>(*host);
        ASSERT_TRUE(editor->open(nullptr));
    }

    void TearDown() override
    {
        editor.reset();
        host.reset();
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    bool offersTouch() const { return GetParam(); }

    // A complete gesture on `port` as the host hears it, with or without ui:touch.
    std::vector<std::string> gesture(std::uint32_t port, const std::vector<std::string>& writes)
    {
        std::vector<std::string> expected;
        if (offersTouch())
            expected.push_back("grab " + std::to_string(port));
        expected.insert(expected.end(), writes.begin(), writes.end());
        if (offersTouch())
            expected.push_back("release " + std::to_string(port));
        return expected;
    }

    void portEvent(std::uint32_t port, float value)
    {
        host->portEvent(port, sizeof value, 0, &value);
    }

    std::filesystem::path home;
    HostRecord record;
    LV2UI_Touch touch{};
    std::unique_ptr<Lv2UiHost> host;
    std::unique_ptr<RyvelEditor> editor;
};

TEST_P(Lv2UiAdapter, PortEventsMoveTheControlsAndOnlyFloatEventsOfKnownPortsCount)
{
    portEvent(portOf(stepId(1, 2)), 1.0f);
    EXPECT_TRUE(editor->stepSwitch(1, 2)->isOn());
    portEvent(portOf(kGainBase + 3), 0.3f);
    EXPECT_FLOAT_EQ(editor->knob(kGainBase + 3)->getValue(), 0.3f);
    portEvent(portOf(kMixId), 0.25f);
    EXPECT_FLOAT_EQ(editor->mixSlider()->getValue(), 0.25f);
    EXPECT_EQ(editor->mixSlider()->getLabelAlpha(), 1.0f) << "no readout for a host's value";
    portEvent(portOf(kHighPassId), 1.5f); // out of range: limited
    EXPECT_FLOAT_EQ(editor->highpassSlider()->getValue(), 1.0f);
    EXPECT_EQ(host->paramValue(kHighPassId), 1.0);
    portEvent(portOf(kBypassId), 0.0f); // "enabled" off is bypass on
    EXPECT_EQ(host->paramValue(kBypassId), 1.0);

    const float half = 0.5f, nan = std::numeric_limits<float>::quiet_NaN();
    const double doubleValue = 0.9;
    host->portEvent(portOf(kGainBase + 3), sizeof half, 1, &half); // another protocol
    host->portEvent(portOf(kGainBase + 3), sizeof doubleValue, 0, &doubleValue);
    host->portEvent(portOf(kGainBase + 3), sizeof nan, 0, &nan);
    host->portEvent(kTimeIn, sizeof half, 0, &half);
    host->portEvent(kNumPorts + 7, sizeof half, 0, &half);
    EXPECT_FLOAT_EQ(editor->knob(kGainBase + 3)->getValue(), 0.3f);
    EXPECT_EQ(host->paramValue(kGainBase + 3), static_cast<double>(0.3f));
    EXPECT_TRUE(record.events.empty()) << "a host's value is never written back";
}

TEST_P(Lv2UiAdapter, AnEditIsOneGestureOfPortWrites)
{
    ui::SoftSwitch& step = *editor->stepSwitch(0, 0);
    const auto centre = ui::PointerEvent::at(step.getWidth() / 2.0f, step.getHeight() / 2.0f);
    step.onMouseDown(centre);
    step.onMouseUp(centre);
    const std::uint32_t stepPort = portOf(stepId(0, 0));
    EXPECT_EQ(record.events, gesture(stepPort, {"write " + std::to_string(stepPort) + " 1"}));
    EXPECT_EQ(host->paramValue(stepId(0, 0)), 1.0);

    // A drag on the mix slider: the editor makes every value it reports a complete edit.
    record.events.clear();
    ui::LabelSlider& mix = *editor->mixSlider();
    const float y = mix.getHeight() / 2.0f;
    const float start = mix.trackStart(), span = mix.trackEnd() - mix.trackStart();
    mix.onMouseDown(ui::PointerEvent::at(start + 0.25f * span, y));
    mix.onMouseMoved(ui::PointerEvent::at(start + 0.5f * span, y));
    mix.onMouseUp(ui::PointerEvent::at(start + 0.5f * span, y));
    const std::uint32_t mixPort = portOf(kMixId);
    std::vector<std::string> expected =
        gesture(mixPort, {"write " + std::to_string(mixPort) + " 0.25"});
    for (const auto& e : gesture(mixPort, {"write " + std::to_string(mixPort) + " 0.5"}))
        expected.push_back(e);
    EXPECT_EQ(record.events, expected);
    EXPECT_NEAR(host->paramValue(kMixId), 0.5, 1e-6);
}

TEST_P(Lv2UiAdapter, APresetWritesExactlyItsFiftyTwoPorts)
{
    const ParamMap preset = FactoryPresetsData::toParamMap(FactoryPresetsData::all()[3]);
    ASSERT_EQ(preset.size(), 52u);
    // What a hand-edited preset file may hold besides: values a preset never sets, an unknown ID.
    ParamMap file = preset;
    file[kMixId] = 0.9;
    file[kBypassId] = 1.0;
    file[999] = 0.5;
    editor->applyPresetParams(file);

    std::map<std::uint32_t, float> expected;
    for (const auto& [id, value] : preset)
        expected[portOf(id)] = portValue(*findParam(id), value);
    std::map<std::uint32_t, float> written;
    for (const auto& [port, value] : record.writes)
        EXPECT_TRUE(written.emplace(port, value).second) << "port " << port << " written twice";
    EXPECT_EQ(written, expected);
    for (ParamId id : {kMixId, kHighPassId, kBypassId})
        EXPECT_EQ(written.count(portOf(id)), 0u) << id;

    // Each write is a gesture of its own.
    std::vector<std::string> gestures;
    for (const auto& [port, value] : record.writes)
    {
        char text[64];
        std::snprintf(text, sizeof text, "write %u %g", port, static_cast<double>(value));
        const auto one = gesture(port, {text});
        gestures.insert(gestures.end(), one.begin(), one.end());
    }
    EXPECT_EQ(record.events, gestures);
}

TEST_P(Lv2UiAdapter, ThePlayheadPortFlashesTheActiveStepsOfItsColumn)
{
    portEvent(portOf(stepId(2, 5)), 1.0f);
    const auto flashing = [&]
    {
        std::vector<ParamId> ids;
        for (int v = 0; v < kNumVoices; ++v)
            for (int s = 0; s < kNumSteps; ++s)
                if (editor->stepSwitch(v, s)->getFlashAlpha() > 0.0f)
                    ids.push_back(stepId(v, s));
        return ids;
    };
    portEvent(kPlayhead, 4.0f);
    editor->pollPlayhead();
    EXPECT_TRUE(flashing().empty());
    portEvent(kPlayhead, 5.0f);
    EXPECT_EQ(host->playheadStep(), 5);
    editor->pollPlayhead();
    EXPECT_EQ(flashing(), (std::vector<ParamId>{stepId(2, 5)}));

    for (const float nonsense : {8.0f, -3.0f, std::numeric_limits<float>::infinity()})
    {
        portEvent(kPlayhead, 2.0f);
        portEvent(kPlayhead, nonsense);
        EXPECT_EQ(host->playheadStep(), std::isfinite(nonsense) ? -1 : 2) << nonsense;
    }
}

INSTANTIATE_TEST_SUITE_P(Touch, Lv2UiAdapter, ::testing::Bool(),
                         [](const auto& info)
                         { return info.param ? "WithUiTouch" : "WithoutUiTouch"; });

} // namespace
} // namespace Ryvel::Lv2
