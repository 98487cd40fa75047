// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One on/off step of the pattern grid. It toggles on press (not on release) and flashes an
// overlay when the playhead passes it while it is on. UI thread only.

#include "editor/ui/AnimationClock.h"
#include "editor/ui/Control.h"
#include "editor/ui/UiTimer.h"

#include <memory>
#include <utility>

namespace Ryvel::ui
{

class SoftSwitch : public Control
{
public:
    static constexpr int kFlashPeriodMs = 16;
    // The overlay fades from full opacity to nothing in this time, linearly: 0.07 per tick at
    // the timer's own rate, so 15 ticks.
    static constexpr double kFlashFadeMs = kFlashPeriodMs / 0.07;

    SoftSwitch(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag, int voice,
               int step, juce::Image off, juce::Image on, juce::Image pressed, juce::Image active);

    int getVoice() const { return voice; }
    int getStep() const { return step; }
    bool isOn() const { return getValue() >= 0.5f; }
    bool isPressed() const { return pressed; }

    // Shows the overlay at full opacity and fades it out over kFlashFadeMs, however often the
    // timer manages to tick; a trigger during a flash restarts it.
    void triggerFlash();
    float getFlashAlpha() const { return flashAlpha; }
    // Null until the first flash.
    UiTimer* getFlashTimer() const { return flashTimer.get(); }
    void setClock(AnimationClock c) { clock = std::move(c); }

    bool onMouseDown(const PointerEvent& event) override;
    bool onMouseUp(const PointerEvent& event) override;
    void paint(juce::Graphics& g) override;

private:
    void flashTick();

    int voice;
    int step;
    bool pressed = false;
    juce::Image offImage;
    juce::Image onImage;
    juce::Image pressedImage;
    juce::Image activeImage;
    float flashAlpha = 0.0f;
    double flashStartMs = 0.0;
    AnimationClock clock = steadyMilliseconds;
    std::unique_ptr<UiTimer> flashTimer;
};

} // namespace Ryvel::ui
