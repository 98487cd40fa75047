// SPDX-License-Identifier: GPL-3.0-or-later
// The switch's flash and the slider's readout, by timer ticks at a clock the test moves, and
// the readout texts.

#include "ControlTestSupport.h"

#include "editor/controls/LabelSlider.h"
#include "editor/controls/SoftSwitch.h"

#include <gtest/gtest.h>

#include <limits>

namespace Ryvel::ui::test
{
namespace
{

// Ticks of `periodMs` until the timer stops (at most `limit`).
int ticksUntilStopped(ManualClock& clock, UiTimer& timer, double periodMs = 16.0, int limit = 1000)
{
    int ticks = 0;
    while (timer.isRunning() && ticks < limit)
    {
        clock.tick(timer, periodMs);
        ++ticks;
    }
    return ticks;
}

TEST(SoftSwitchFlash, FadesOutOverFifteenTicksOfSixteenMilliseconds)
{
    ManualClock clock;
    SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, {}, {}, {}, {});
    sw.setClock(clock.function());
    EXPECT_EQ(sw.getFlashTimer(), nullptr);
    sw.triggerFlash();
    ASSERT_NE(sw.getFlashTimer(), nullptr);
    EXPECT_EQ(sw.getFlashTimer()->periodMs(), 16);
    EXPECT_EQ(sw.getFlashAlpha(), 1.0f);
    float previous = 1.0f;
    for (int tick = 1; tick <= 14; ++tick)
    {
        clock.tick(*sw.getFlashTimer(), 16.0);
        EXPECT_NEAR(sw.getFlashAlpha(), 1.0f - 0.07f * static_cast<float>(tick), 1e-5f)
            << "tick " << tick;
        EXPECT_LT(sw.getFlashAlpha(), previous) << "tick " << tick;
        EXPECT_GT(sw.getFlashAlpha(), 0.0f) << "tick " << tick;
        previous = sw.getFlashAlpha();
    }
    EXPECT_TRUE(sw.getFlashTimer()->isRunning());
    clock.tick(*sw.getFlashTimer(), 16.0);
    EXPECT_EQ(sw.getFlashAlpha(), 0.0f);
    EXPECT_FALSE(sw.getFlashTimer()->isRunning());
}

TEST(SoftSwitchFlash, ASecondTriggerRestartsAtFullOpacityWithTheSameTimer)
{
    ManualClock clock;
    SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, {}, {}, {}, {});
    sw.setClock(clock.function());
    sw.triggerFlash();
    UiTimer* timer = sw.getFlashTimer();
    for (int tick = 0; tick < 6; ++tick) // about 100 ms
        clock.tick(*timer, 16.0);
    sw.triggerFlash();
    EXPECT_EQ(sw.getFlashTimer(), timer);
    EXPECT_EQ(sw.getFlashAlpha(), 1.0f);
    EXPECT_EQ(ticksUntilStopped(clock, *timer), 15);

    // A flash after the last one ended starts the stopped timer again.
    sw.triggerFlash();
    EXPECT_TRUE(timer->isRunning());
    EXPECT_EQ(ticksUntilStopped(clock, *timer), 15);
}

TEST(LabelSliderReadout, HoldsOneAndAHalfSecondsThenFadesBackByTheHundredAndEighthTick)
{
    ManualClock clock;
    LabelSlider slider({696, 9, 86, 22}, nullptr, 162, "MIX", ValueFormat::Percent);
    slider.setClock(clock.function());
    slider.setValue(0.125f);
    EXPECT_EQ(slider.getLabelAlpha(), 1.0f);
    slider.flashReadout();
    EXPECT_EQ(slider.getReadoutText(), "13%");
    EXPECT_EQ(slider.getLabelAlpha(), 0.0f);
    UiTimer* timer = slider.getReadoutTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->periodMs(), 16);

    for (int tick = 0; tick < 93; ++tick) // 1488 ms
        clock.tick(*timer, 16.0);
    EXPECT_EQ(slider.getLabelAlpha(), 0.0f);
    float previous = 0.0f;
    for (int tick = 94; tick <= 107; ++tick)
    {
        clock.tick(*timer, 16.0);
        EXPECT_GT(slider.getLabelAlpha(), previous) << "tick " << tick;
        EXPECT_LT(slider.getLabelAlpha(), 1.0f) << "tick " << tick;
        previous = slider.getLabelAlpha();
    }
    EXPECT_TRUE(timer->isRunning());
    clock.tick(*timer, 16.0);
    EXPECT_EQ(slider.getLabelAlpha(), 1.0f);
    EXPECT_FALSE(timer->isRunning());
}

TEST(LabelSliderReadout, EveryChangeRestartsTheHold)
{
    ManualClock clock;
    LabelSlider slider({696, 9, 86, 22}, nullptr, 162, "MIX", ValueFormat::Percent);
    slider.setClock(clock.function());
    slider.onMouseDown(press(50, 11));
    UiTimer* timer = slider.getReadoutTimer();
    for (int tick = 0; tick < 90; ++tick)
        clock.tick(*timer, 16.0);
    slider.onMouseMoved(press(60, 11));
    slider.onMouseUp(press(60, 11));
    EXPECT_EQ(slider.getReadoutTimer(), timer);
    EXPECT_EQ(ticksUntilStopped(clock, *timer), 108);
}

// A host that drives the toolkit from a slow idle call fires the 16 ms timers only that often
// (LV2 hosts: every 33.7 ms, or every second idle call). The animations must still end when
// their time is up: at the first tick at or after it, never a tick later, never a tick earlier.
TEST(ControlAnimations, EndOnTimeWhateverTheTickRate)
{
    const double flashEndMs = SoftSwitch::kFlashFadeMs;
    const double readoutFadeStartMs = LabelSlider::kReadoutHoldMs;
    const double readoutEndMs = readoutFadeStartMs + LabelSlider::kReadoutFadeMs;
    for (const double period : {16.0, 20.0, 33.7, 67.4, 150.0, 1000.0})
    {
        SCOPED_TRACE(testing::Message() << "a tick every " << period << " ms");
        ManualClock clock;
        SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, {}, {}, {}, {});
        sw.setClock(clock.function());
        sw.triggerFlash();
        double elapsed = 0.0;
        while (sw.getFlashTimer()->isRunning())
        {
            clock.tick(*sw.getFlashTimer(), period);
            elapsed += period;
            if (elapsed < flashEndMs)
            {
                EXPECT_NEAR(sw.getFlashAlpha(), 1.0 - elapsed / flashEndMs, 1e-5) << elapsed;
            }
        }
        EXPECT_GE(elapsed, flashEndMs);
        EXPECT_LT(elapsed - period, flashEndMs);
        EXPECT_EQ(sw.getFlashAlpha(), 0.0f);

        LabelSlider slider({696, 9, 86, 22}, nullptr, 162, "MIX", ValueFormat::Percent);
        slider.setClock(clock.function());
        slider.flashReadout();
        elapsed = 0.0;
        while (slider.getReadoutTimer()->isRunning())
        {
            clock.tick(*slider.getReadoutTimer(), period);
            elapsed += period;
            if (elapsed < readoutFadeStartMs)
            {
                EXPECT_EQ(slider.getLabelAlpha(), 0.0f) << elapsed;
            }
            else if (elapsed < readoutEndMs)
            {
                EXPECT_NEAR(slider.getLabelAlpha(),
                            (elapsed - readoutFadeStartMs) / LabelSlider::kReadoutFadeMs, 1e-5)
                    << elapsed;
            }
        }
        EXPECT_GE(elapsed, readoutEndMs);
        EXPECT_LT(elapsed - period, readoutEndMs);
        EXPECT_EQ(slider.getLabelAlpha(), 1.0f);
    }
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
