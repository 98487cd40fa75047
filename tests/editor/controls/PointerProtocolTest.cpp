// SPDX-License-Identifier: GPL-3.0-or-later
// What each control tells its listener for presses and releases.

#include "ControlTestSupport.h"

#include "editor/controls/ChevronButton.h"
#include "editor/controls/DicePill.h"
#include "editor/controls/LabelSlider.h"
#include "editor/controls/MenuButton.h"
#include "editor/controls/PresetPill.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "editor/controls/TabPill.h"
#include "editor/controls/TextButton.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace Ryvel::ui::test
{
namespace
{

using Kind = EditEvent::Kind;
constexpr std::int32_t kTag = 7;
const juce::Rectangle<int> kRect(10, 10, 22, 22);

struct Maker
{
    const char* name;
    std::function<std::unique_ptr<Control>(ControlListener*)> make;
};

const std::vector<Maker>& everyControl()
{
    static const std::vector<Maker> makers = {
        {"SoftSwitch",
         [](ControlListener* l)
         {
             return std::make_unique<SoftSwitch>(kRect, l, kTag, 0, 0, juce::Image(), juce::Image(),
                                                 juce::Image(), juce::Image());
         }},
        {"SoftKnob", [](ControlListener* l)
         { return std::make_unique<SoftKnob>(kRect, l, kTag, juce::Image()); }},
        {"LabelSlider",
         [](ControlListener* l)
         {
             return std::make_unique<LabelSlider>(juce::Rectangle<int>(0, 0, 86, 22), l, kTag,
                                                  "MIX", ValueFormat::Percent);
         }},
        {"PresetPill",
         [](ControlListener* l) { return std::make_unique<PresetPill>(kRect, l, kTag); }},
        {"TabPill", [](ControlListener* l) { return std::make_unique<TabPill>(kRect, l, kTag); }},
        {"MenuButton",
         [](ControlListener* l) { return std::make_unique<MenuButton>(kRect, l, kTag); }},
        {"ChevronButton",
         [](ControlListener* l) { return std::make_unique<ChevronButton>(kRect, l, kTag, 1); }},
        {"DicePill", [](ControlListener* l) { return std::make_unique<DicePill>(kRect, l, kTag); }},
        {"TextButton", [](ControlListener* l)
         { return std::make_unique<TextButton>(kRect, l, kTag, "SAVE", true); }},
    };
    return makers;
}

TEST(PointerProtocol, EveryControlIgnoresPressesWithAnotherButtonAndStrayReleases)
{
    for (const auto& maker : everyControl())
    {
        SCOPED_TRACE(maker.name);
        RecordingListener listener;
        const auto control = maker.make(&listener);
        // The right half, so that the tab pill's unselected page would be hit.
        const float x = 18.0f;
        EXPECT_FALSE(control->onMouseDown(pressWithButtons(x, 11.0f, false)));
        EXPECT_FALSE(control->onMouseMoved(press(x + 5.0f, 5.0f)));
        EXPECT_FALSE(control->onMouseUp(press(x, 11.0f)));
        EXPECT_TRUE(listener.events.empty());
        EXPECT_EQ(control->getValue(), 0.0f);
    }
}

TEST(PointerProtocol, SwitchTogglesOnPressInOneEditAndReleaseSendsNothing)
{
    struct Case
    {
        float before;
        float after;
    };
    // 0.5 already counts as on.
    for (const Case c : {Case{0.0f, 1.0f}, Case{1.0f, 0.0f}, Case{0.5f, 0.0f}, Case{0.49f, 1.0f}})
    {
        SCOPED_TRACE(c.before);
        RecordingListener listener;
        SoftSwitch sw(kRect, &listener, 12, 1, 4, {}, {}, {}, {});
        sw.setValue(c.before);
        EXPECT_TRUE(sw.onMouseDown(press(5, 5)));
        EXPECT_TRUE(sw.isPressed());
        EXPECT_EQ(listener.events, (std::vector<EditEvent>{{Kind::Begin, 12, c.before},
                                                           {Kind::Changed, 12, c.after},
                                                           {Kind::End, 12, c.after}}));
        EXPECT_TRUE(sw.onMouseUp(press(5, 5)));
        EXPECT_FALSE(sw.isPressed());
        EXPECT_EQ(listener.events.size(), 3u);
        EXPECT_EQ(sw.getValue(), c.after);
    }
}

const std::vector<EditEvent> kFired = {
    {Kind::Begin, kTag, 0.0f}, {Kind::Changed, kTag, 1.0f}, {Kind::End, kTag, 1.0f}};

TEST(PointerProtocol, PresetPillAndMenuButtonFireOnPressAndFallBackToZero)
{
    for (const auto& maker : everyControl())
    {
        const std::string name = maker.name;
        if (name != "PresetPill" && name != "MenuButton")
            continue;
        SCOPED_TRACE(name);
        RecordingListener listener;
        const auto control = maker.make(&listener);
        EXPECT_TRUE(control->onMouseDown(press(5, 5)));
        EXPECT_EQ(listener.events, kFired);
        EXPECT_EQ(control->getValue(), 0.0f);
        EXPECT_FALSE(control->onMouseUp(press(5, 5)));
        EXPECT_EQ(listener.events.size(), 3u);
    }
}

TEST(PointerProtocol, PressAndReleaseButtonsFireOnlyWhenReleasedInside)
{
    for (const auto& maker : everyControl())
    {
        const std::string name = maker.name;
        if (name != "ChevronButton" && name != "DicePill" && name != "TextButton")
            continue;
        SCOPED_TRACE(name);
        RecordingListener listener;
        const auto control = maker.make(&listener);
        auto& button = dynamic_cast<MomentaryButton&>(*control);

        EXPECT_TRUE(button.onMouseDown(press(5, 5)));
        EXPECT_TRUE(button.isPressed());
        EXPECT_TRUE(listener.events.empty());
        // Dragged out: the right edge itself is outside.
        EXPECT_TRUE(button.onMouseUp(press(22.0f, 5.0f)));
        EXPECT_FALSE(button.isPressed());
        EXPECT_TRUE(listener.events.empty());

        EXPECT_TRUE(button.onMouseDown(press(5, 5)));
        EXPECT_TRUE(button.onMouseUp(press(21.5f, 21.5f)));
        EXPECT_EQ(listener.events, kFired);
        EXPECT_EQ(button.getValue(), 0.0f);
        EXPECT_FALSE(button.onMouseUp(press(5, 5)));
        EXPECT_EQ(listener.events.size(), 3u);
    }
}

TEST(PointerProtocol, PresetPillReportsWhetherThePressWasADoubleClick)
{
    RecordingListener listener;
    PresetPill pill({335, 9, 144, 22}, &listener, 0x70000011);
    std::vector<bool> seen;
    listener.onChanged = [&](Control*) { seen.push_back(pill.wasDoubleClick()); };
    PointerEvent second = press(40, 10);
    second.doubleClick = true;
    pill.onMouseDown(press(40, 10));
    pill.onMouseDown(second);
    pill.onMouseDown(press(40, 10));
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

TEST(PointerProtocol, TabPillReportsOnlyAChangeOfPage)
{
    RecordingListener listener;
    TabPill tab({14, 9, 60, 22}, &listener, 0x70000010);
    // Already on page 0: its own half does nothing, but the press is still taken.
    EXPECT_TRUE(tab.onMouseDown(press(10, 11)));
    EXPECT_TRUE(listener.events.empty());
    // The centre belongs to the right half.
    EXPECT_TRUE(tab.onMouseDown(press(30, 11)));
    EXPECT_EQ(tab.getSelectedPage(), 1);
    EXPECT_EQ(listener.events, (std::vector<EditEvent>{{Kind::Begin, 0x70000010, 0.0f},
                                                       {Kind::Changed, 0x70000010, 1.0f},
                                                       {Kind::End, 0x70000010, 1.0f}}));
    listener.events.clear();
    EXPECT_TRUE(tab.onMouseDown(press(59, 11)));
    EXPECT_TRUE(listener.events.empty());
    EXPECT_TRUE(tab.onMouseDown(press(29.9f, 11)));
    EXPECT_EQ(tab.getSelectedPage(), 0);
    ASSERT_EQ(listener.events.size(), 3u);
    EXPECT_EQ(listener.events[1].value, 0.0f);

    // The editor's own page switch tells no one.
    listener.events.clear();
    tab.setSelectedPage(1);
    EXPECT_TRUE(listener.events.empty());
}

TEST(PointerProtocol, SliderJumpsToThePointerAndClampsOutsideTheTrack)
{
    // Track from x 39 to 75 in an 86-pixel slider.
    struct Case
    {
        float x;
        float value;
    };
    for (const Case c : {Case{0.0f, 0.0f}, Case{39.0f, 0.0f}, Case{57.0f, 0.5f}, Case{75.0f, 1.0f},
                         Case{86.0f, 1.0f}, Case{-40.0f, 0.0f}})
    {
        SCOPED_TRACE(c.x);
        RecordingListener listener;
        LabelSlider slider({696, 9, 86, 22}, &listener, 162, "MIX", ValueFormat::Percent);
        slider.setValue(0.3f);
        EXPECT_TRUE(slider.onMouseDown(press(c.x, 11)));
        EXPECT_FLOAT_EQ(slider.getValue(), c.value);
        ASSERT_EQ(listener.events.size(), 2u);
        EXPECT_EQ(listener.events[0].kind, Kind::Begin);
        EXPECT_EQ(listener.events[1].kind, Kind::Changed);
    }
}

TEST(PointerProtocol, SliderDragIsOneEditWithAChangePerMove)
{
    RecordingListener listener;
    LabelSlider slider({602, 9, 86, 22}, &listener, 163, "HP", ValueFormat::Frequency);
    slider.onMouseDown(press(39, 11));
    slider.onMouseMoved(press(48, 30)); // leaving the slider vertically does not matter
    slider.onMouseMoved(press(200, 11));
    EXPECT_TRUE(slider.onMouseUp(press(200, 11)));
    EXPECT_EQ(listener.events, (std::vector<EditEvent>{{Kind::Begin, 163, 0.0f},
                                                       {Kind::Changed, 163, 0.0f},
                                                       {Kind::Changed, 163, 0.25f},
                                                       {Kind::Changed, 163, 1.0f},
                                                       {Kind::End, 163, 1.0f}}));
    EXPECT_FALSE(slider.isDragging());
    EXPECT_EQ(slider.getReadoutText(), "2.5k");
}

} // namespace
} // namespace Ryvel::ui::test
