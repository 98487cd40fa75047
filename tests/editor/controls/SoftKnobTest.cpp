// SPDX-License-Identifier: GPL-3.0-or-later
// The knob's frame choice and its own pointer handling: drag, fine drag, wheel, double click.

#include "ControlTestSupport.h"

#include "editor/controls/SoftKnob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

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

// A point `radius` design pixels from the centre of a 68 x 68 knob, `degrees` clockwise from
// straight up (the convention of the knob's drawn arc: -135 is value 0, +135 value 1).
PointerEvent around(float degrees, float radius = 30.0f)
{
    const float a = juce::degreesToRadians(degrees);
    return press(34.0f + radius * std::sin(a), 34.0f - radius * std::cos(a));
}

using Mode = SoftKnob::DragMode;

// One gesture through three points of a circle round the knob, in each mode: the left (-90),
// the top (0) and the right (90), starting from 0.5.
TEST(SoftKnob, EachDragModeTurnsTheSameGestureItsOwnWay)
{
    struct Case
    {
        const char* name;
        std::optional<Mode> mode; // none: as constructed
        float afterPress, atTop, atRight;
    };
    constexpr float third = 1.0f / 3.0f;
    for (const Case& c : {
             // 60 px up and right from the press, then 60 px right: +0.3 each.
             Case{"default", std::nullopt, 0.5f, 0.8f, 0.8f},
             Case{"vertical", Mode::Vertical, 0.5f, 0.8f, 0.8f},
             // -90 degrees is 45 degrees into the 270-degree arc.
             Case{"circular", Mode::Circular, 45.0f / 270.0f, 0.5f, 225.0f / 270.0f},
             // A quarter turn is a third of the range; the second one stops at the end.
             Case{"relative", Mode::RelativeCircular, 0.5f, 0.5f + third, 1.0f},
         })
    {
        SCOPED_TRACE(c.name);
        RecordingListener listener;
        SoftKnob knob({0, 0, 68, 68}, &listener, 148, {});
        if (c.mode)
            knob.setDragMode(*c.mode);
        knob.setValue(0.5f);
        EXPECT_TRUE(knob.onMouseDown(around(-90)));
        EXPECT_NEAR(knob.getValue(), c.afterPress, 1e-5f);
        EXPECT_TRUE(knob.onMouseMoved(around(0)));
        EXPECT_NEAR(knob.getValue(), c.atTop, 1e-5f);
        EXPECT_TRUE(knob.onMouseMoved(around(90)));
        EXPECT_NEAR(knob.getValue(), c.atRight, 1e-5f);
        EXPECT_TRUE(knob.onMouseUp(around(90)));

        ASSERT_GE(listener.events.size(), 3u);
        EXPECT_EQ(listener.events.front().kind, Kind::Begin);
        EXPECT_EQ(listener.events.back().kind, Kind::End);
        for (std::size_t i = 1; i + 1 < listener.events.size(); ++i)
            EXPECT_EQ(listener.events[i].kind, Kind::Changed);
    }
}

TEST(SoftKnob, CircularPressSetsTheValueOfItsAngleAndTheNearerEndBelowTheArc)
{
    struct Case
    {
        float degrees;
        float value;
    };
    for (const Case c : {Case{-135, 0.0f}, Case{135, 1.0f}, Case{0, 0.5f}, Case{45, 0.6666667f},
                         Case{-170, 0.0f}, Case{170, 1.0f}, Case{-136, 0.0f}, Case{136, 1.0f}})
    {
        SCOPED_TRACE(c.degrees);
        SoftKnob knob({0, 0, 68, 68}, nullptr, 148, {});
        knob.setDragMode(Mode::Circular);
        knob.setValue(0.3f);
        knob.onMouseDown(around(c.degrees));
        EXPECT_NEAR(knob.getValue(), c.value, 1e-5f);
    }
}

TEST(SoftKnob, CircularDragPastAnEndStaysThereUntilThePointerComesBackToTheArc)
{
    SoftKnob knob({0, 0, 68, 68}, nullptr, 148, {});
    knob.setDragMode(Mode::Circular);
    knob.onMouseDown(around(120));
    knob.onMouseMoved(around(160));
    EXPECT_EQ(knob.getValue(), 1.0f);
    knob.onMouseMoved(around(-170)); // straight down crossed: still the top end
    EXPECT_EQ(knob.getValue(), 1.0f);
    knob.onMouseMoved(around(-150));
    EXPECT_EQ(knob.getValue(), 1.0f);
    knob.onMouseMoved(around(-90));
    EXPECT_NEAR(knob.getValue(), 45.0f / 270.0f, 1e-5f);
}

TEST(SoftKnob, CircularModesIgnoreThePointerAtTheCentre)
{
    for (Mode mode : {Mode::Circular, Mode::RelativeCircular})
    {
        SCOPED_TRACE(static_cast<int>(mode));
        RecordingListener listener;
        SoftKnob knob({0, 0, 68, 68}, &listener, 148, {});
        knob.setDragMode(mode);
        knob.setValue(0.25f);
        knob.onMouseDown(press(35, 33)); // inside the dead zone: no angle, no jump
        EXPECT_EQ(knob.getValue(), 0.25f);
        knob.onMouseMoved(around(90));
        // Absolute: the angle; relative: the first angle is only where turning starts.
        EXPECT_NEAR(knob.getValue(), mode == Mode::Circular ? 225.0f / 270.0f : 0.25f, 1e-5f);
        knob.onMouseMoved(press(34, 34)); // back through the centre, out at the opposite side
        knob.onMouseMoved(around(-90));
        const float before = knob.getValue();
        knob.onMouseMoved(around(-60));
        EXPECT_NEAR(knob.getValue(),
                    mode == Mode::Circular ? 75.0f / 270.0f : before + 30.0f / 270.0f, 1e-5f);
    }
}

TEST(SoftKnob, RelativeCircularTurnsTheShortWayRoundAndBackAtOnceFromAnEnd)
{
    SoftKnob knob({0, 0, 68, 68}, nullptr, 148, {});
    knob.setDragMode(Mode::RelativeCircular);
    knob.setValue(0.5f);
    knob.onMouseDown(around(170));
    knob.onMouseMoved(around(-170)); // 20 degrees clockwise through straight down
    EXPECT_NEAR(knob.getValue(), 0.5f + 20.0f / 270.0f, 1e-5f);
    knob.onMouseMoved(around(170));
    EXPECT_NEAR(knob.getValue(), 0.5f, 1e-5f);
    // Four quarter turns clockwise: the value stops at 1 ...
    for (float degrees : {-90.0f, 0.0f, 90.0f, 180.0f})
        knob.onMouseMoved(around(degrees));
    EXPECT_EQ(knob.getValue(), 1.0f);
    // ... and the first turn back counts from there.
    knob.onMouseMoved(around(135));
    EXPECT_NEAR(knob.getValue(), 1.0f - 45.0f / 270.0f, 1e-5f);
}

TEST(SoftKnob, AModeChangeWaitsForTheNextPress)
{
    SoftKnob knob({0, 0, 68, 68}, nullptr, 148, {});
    knob.setValue(0.5f);
    knob.onMouseDown(around(-90));
    knob.setDragMode(Mode::Circular);
    knob.onMouseMoved(around(0)); // still the vertical drag it started as
    EXPECT_NEAR(knob.getValue(), 0.8f, 1e-5f);
    knob.onMouseUp(around(0));
    knob.onMouseDown(around(-90));
    EXPECT_NEAR(knob.getValue(), 45.0f / 270.0f, 1e-5f);
}

TEST(SoftKnob, WheelAndDoubleClickDoTheSameInEveryMode)
{
    for (Mode mode : {Mode::Vertical, Mode::Circular, Mode::RelativeCircular})
    {
        SCOPED_TRACE(static_cast<int>(mode));
        SoftKnob knob({0, 0, 68, 68}, nullptr, 148, {});
        knob.setDragMode(mode);
        knob.setDefaultValue(0.25f);
        knob.setValue(0.5f);
        knob.onMouseWheel(PointerEvent::at(1, 1), 1.0f);
        EXPECT_FLOAT_EQ(knob.getValue(), 0.55f);
        knob.onMouseDown(around(45));
        knob.onMouseUp(around(45));
        PointerEvent second = around(45);
        second.doubleClick = true;
        knob.onMouseDown(second);
        knob.onMouseUp(second);
        EXPECT_EQ(knob.getValue(), 0.25f);
    }
}

} // namespace
} // namespace Ryvel::ui::test
