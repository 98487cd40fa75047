// SPDX-License-Identifier: GPL-3.0-or-later
// The knob's frame choice and its own pointer handling: drag, fine drag, wheel, double click.

#include "ControlTestSupport.h"

#include "editor/controls/SoftKnob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace Ryvel::ui::test
{
namespace
{

using Kind = EditEvent::Kind;

TEST(SoftKnob, ShowsTheFrameOfItsValueAndNeverLeavesTheStrip)
{
    struct Case
    {
        float value;
        int frame;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case c :
         {Case{0.0f, 0}, Case{0.5f, 32}, Case{1.0f, 64}, Case{0.0154f, 1}, Case{0.999f, 64},
          Case{0.0153f, 0}, Case{nan, 0}, Case{inf, 0}, Case{-0.5f, 0}, Case{7.0f, 64}})
    {
        SCOPED_TRACE(c.value);
        SoftKnob knob({0, 0, 68, 68}, nullptr, 128, {});
        knob.setValue(c.value);
        EXPECT_EQ(knob.frameIndex(), c.frame);
    }
}

TEST(SoftKnob, DragUpOrRightTurnsUpInOneGesture)
{
    RecordingListener listener;
    SoftKnob knob({0, 0, 68, 68}, &listener, 130, {});
    knob.setValue(0.5f);
    EXPECT_TRUE(knob.onMouseDown(press(30, 30)));
    EXPECT_TRUE(knob.onMouseMoved(press(30, -10))); // 40 px up
    EXPECT_FLOAT_EQ(knob.getValue(), 0.7f);
    EXPECT_TRUE(knob.onMouseMoved(press(50, -10))); // and 20 px right
    EXPECT_FLOAT_EQ(knob.getValue(), 0.8f);
    EXPECT_TRUE(knob.onMouseMoved(press(50, 30))); // back down 40
    EXPECT_FLOAT_EQ(knob.getValue(), 0.6f);
    EXPECT_TRUE(knob.onMouseUp(press(50, 30)));

    ASSERT_EQ(listener.events.size(), 5u);
    EXPECT_EQ(listener.events.front().kind, Kind::Begin);
    EXPECT_EQ(listener.events.back().kind, Kind::End);
    for (std::size_t i = 1; i + 1 < listener.events.size(); ++i)
        EXPECT_EQ(listener.events[i].kind, Kind::Changed);
    EXPECT_FALSE(knob.onMouseUp(press(50, 30)));
}

TEST(SoftKnob, ShiftDragsTenTimesFinerWithoutAJumpWhenPressedMidway)
{
    RecordingListener listener;
    SoftKnob knob({0, 0, 68, 68}, &listener, 130, {});
    knob.setValue(0.5f);
    knob.onMouseDown(press(0, 100));
    knob.onMouseMoved(press(0, 60)); // coarse: +0.2
    PointerEvent fine = press(0, 60);
    fine.shift = true;
    knob.onMouseMoved(fine); // pressing Shift moves nothing
    EXPECT_FLOAT_EQ(knob.getValue(), 0.7f);
    fine.position = {0, 20}; // 40 px fine: +0.02
    knob.onMouseMoved(fine);
    EXPECT_FLOAT_EQ(knob.getValue(), 0.72f);
    knob.onMouseUp(fine);
}

TEST(SoftKnob, TurnsBackAtOnceAfterBeingDraggedPastAnEnd)
{
    SoftKnob knob({0, 0, 68, 68}, nullptr, 130, {});
    knob.setValue(0.9f);
    knob.onMouseDown(press(0, 0));
    knob.onMouseMoved(press(0, -300));
    EXPECT_EQ(knob.getValue(), 1.0f);
    knob.onMouseMoved(press(0, -280));
    EXPECT_FLOAT_EQ(knob.getValue(), 0.9f);
}

TEST(SoftKnob, WheelStepsInTwentiethsEachInItsOwnEdit)
{
    RecordingListener listener;
    SoftKnob knob({0, 0, 68, 68}, &listener, 144, {});
    knob.setValue(0.5f);
    EXPECT_TRUE(knob.onMouseWheel(PointerEvent::at(1, 1), 1.0f));
    EXPECT_FLOAT_EQ(knob.getValue(), 0.55f);
    EXPECT_EQ(listener.events,
              (std::vector<EditEvent>{
                  {Kind::Begin, 144, 0.5f}, {Kind::Changed, 144, 0.55f}, {Kind::End, 144, 0.55f}}));
    PointerEvent fine = PointerEvent::at(1, 1);
    fine.shift = true;
    knob.onMouseWheel(fine, -2.0f);
    EXPECT_FLOAT_EQ(knob.getValue(), 0.54f);
    EXPECT_FALSE(knob.onMouseWheel(fine, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(knob.onMouseWheel(fine, 0.0f));
}

TEST(SoftKnob, WheelAtAnEndTellsNoChangeButStillClosesItsEdit)
{
    RecordingListener listener;
    SoftKnob knob({0, 0, 68, 68}, &listener, 144, {});
    knob.setValue(1.0f);
    knob.onMouseWheel(PointerEvent::at(1, 1), 3.0f);
    EXPECT_EQ(listener.events,
              (std::vector<EditEvent>{{Kind::Begin, 144, 1.0f}, {Kind::End, 144, 1.0f}}));
}

TEST(SoftKnob, DoubleClickReturnsToTheDefault)
{
    RecordingListener listener;
    SoftKnob knob({0, 0, 68, 68}, &listener, 136, {});
    knob.setDefaultValue(0.5f);
    knob.setValue(0.1f);
    // A double click arrives as press, release, press marked double, release.
    knob.onMouseDown(press(10, 10));
    knob.onMouseUp(press(10, 10));
    PointerEvent second = press(10, 10);
    second.doubleClick = true;
    EXPECT_TRUE(knob.onMouseDown(second));
    EXPECT_FALSE(knob.onMouseUp(second));
    EXPECT_EQ(knob.getValue(), 0.5f);
    EXPECT_EQ(listener.events, (std::vector<EditEvent>{{Kind::Begin, 136, 0.1f},
                                                       {Kind::End, 136, 0.1f},
                                                       {Kind::Begin, 136, 0.1f},
                                                       {Kind::Changed, 136, 0.5f},
                                                       {Kind::End, 136, 0.5f}}));
}

} // namespace
} // namespace Ryvel::ui::test
