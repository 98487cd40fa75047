// SPDX-License-Identifier: GPL-3.0-or-later
// The switch's flash and the slider's readout, by counted timer ticks, and the readout texts.

#include "ControlTestSupport.h"

#include "editor/controls/LabelSlider.h"
#include "editor/controls/SoftSwitch.h"

#include <gtest/gtest.h>

#include <limits>

namespace Ryvel::ui::test
{
namespace
{

int ticksUntilStopped(UiTimer& timer, int limit = 1000)
{
    int ticks = 0;
    while (timer.isRunning() && ticks < limit)
    {
        timer.fire();
        ++ticks;
    }
    return ticks;
}

TEST(SoftSwitchFlash, FadesOutOverFifteenTicksOfSixteenMilliseconds)
{
    SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, {}, {}, {}, {});
    EXPECT_EQ(sw.getFlashTimer(), nullptr);
    sw.triggerFlash();
    ASSERT_NE(sw.getFlashTimer(), nullptr);
    EXPECT_EQ(sw.getFlashTimer()->periodMs(), 16);
    EXPECT_EQ(sw.getFlashAlpha(), 1.0f);
    float previous = 1.0f;
    for (int tick = 1; tick <= 14; ++tick)
    {
        sw.getFlashTimer()->fire();
        EXPECT_LT(sw.getFlashAlpha(), previous) << "tick " << tick;
        EXPECT_GT(sw.getFlashAlpha(), 0.0f) << "tick " << tick;
        previous = sw.getFlashAlpha();
    }
    EXPECT_TRUE(sw.getFlashTimer()->isRunning());
    sw.getFlashTimer()->fire();
    EXPECT_EQ(sw.getFlashAlpha(), 0.0f);
    EXPECT_FALSE(sw.getFlashTimer()->isRunning());
}

TEST(SoftSwitchFlash, ASecondTriggerRestartsAtFullOpacityWithTheSameTimer)
{
    SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, {}, {}, {}, {});
    sw.triggerFlash();
    UiTimer* timer = sw.getFlashTimer();
    for (int tick = 0; tick < 6; ++tick) // about 100 ms
        timer->fire();
    sw.triggerFlash();
    EXPECT_EQ(sw.getFlashTimer(), timer);
    EXPECT_EQ(sw.getFlashAlpha(), 1.0f);
    EXPECT_EQ(ticksUntilStopped(*timer), 15);

    // A flash after the last one ended starts the stopped timer again.
    sw.triggerFlash();
    EXPECT_TRUE(timer->isRunning());
    EXPECT_EQ(ticksUntilStopped(*timer), 15);
}

TEST(LabelSliderReadout, HoldsNinetyFourTicksThenFadesBackInFourteen)
{
    LabelSlider slider({696, 9, 86, 22}, nullptr, 162, "MIX", ValueFormat::Percent);
    slider.setValue(0.125f);
    EXPECT_EQ(slider.getLabelAlpha(), 1.0f);
    slider.flashReadout();
    EXPECT_EQ(slider.getReadoutText(), "13%");
    EXPECT_EQ(slider.getLabelAlpha(), 0.0f);
    UiTimer* timer = slider.getReadoutTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->periodMs(), 16);

    for (int tick = 0; tick < 94; ++tick)
        timer->fire();
    EXPECT_EQ(slider.getLabelAlpha(), 0.0f);
    for (int tick = 1; tick <= 13; ++tick)
    {
        timer->fire();
        EXPECT_GT(slider.getLabelAlpha(), 0.0f);
        EXPECT_LT(slider.getLabelAlpha(), 1.0f);
    }
    EXPECT_TRUE(timer->isRunning());
    timer->fire();
    EXPECT_EQ(slider.getLabelAlpha(), 1.0f);
    EXPECT_FALSE(timer->isRunning());
}

TEST(LabelSliderReadout, EveryChangeRestartsTheHold)
{
    LabelSlider slider({696, 9, 86, 22}, nullptr, 162, "MIX", ValueFormat::Percent);
    slider.onMouseDown(press(50, 11));
    UiTimer* timer = slider.getReadoutTimer();
    for (int tick = 0; tick < 90; ++tick)
        timer->fire();
    slider.onMouseMoved(press(60, 11));
    slider.onMouseUp(press(60, 11));
    EXPECT_EQ(slider.getReadoutTimer(), timer);
    EXPECT_EQ(ticksUntilStopped(*timer), 94 + 14);
}

TEST(LabelSliderReadout, FormatsPercentAndFrequency)
{
    struct Case
    {
        ValueFormat format;
        float value;
        const char* text;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Case c : {
             Case{ValueFormat::Percent, 0.125f, "13%"}, // halves away from zero
             Case{ValueFormat::Percent, 0.0f, "0%"},
             Case{ValueFormat::Percent, 1.0f, "100%"},
             Case{ValueFormat::Percent, 0.994f, "99%"},
             Case{ValueFormat::Frequency, 0.0f, "20"},
             Case{ValueFormat::Frequency, 0.5f, "224"}, // 223.6 Hz
             Case{ValueFormat::Frequency, 1.0f, "2.5k"},
             Case{ValueFormat::Frequency, 0.81f, "999"},   // 999.2 Hz
             Case{ValueFormat::Frequency, 0.811f, "1.0k"}, // 1003 Hz: one decimal from 1 kHz
             Case{ValueFormat::Frequency, 0.9f, "1.5k"},
             Case{ValueFormat::Frequency, nan, "20"},
             Case{ValueFormat::Percent, nan, "0%"},
         })
    {
        SCOPED_TRACE(c.text);
        LabelSlider slider({0, 0, 86, 22}, nullptr, 0, "X", c.format);
        slider.setValue(c.value);
        EXPECT_EQ(slider.formatValue(), c.text);
    }
}

TEST(LabelSliderReadout, UpdateFromAPointTellsTheListenerAndShowsTheValue)
{
    RecordingListener listener;
    LabelSlider slider({602, 9, 86, 22}, &listener, 163, "HP", ValueFormat::Frequency);
    slider.updateValueFromPoint({57.0f, 0.0f});
    EXPECT_EQ(listener.events, (std::vector<EditEvent>{{EditEvent::Changed, 163, 0.5f}}));
    EXPECT_EQ(slider.getReadoutText(), "224");
    EXPECT_EQ(slider.getLabelAlpha(), 0.0f);
}

} // namespace
} // namespace Ryvel::ui::test
