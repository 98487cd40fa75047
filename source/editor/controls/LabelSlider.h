// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The header's horizontal sliders (mix, high-pass): a pill with a caption, a one-pixel track and
// a thumb. A click jumps the thumb to the pointer; while the value changes, the caption gives way
// to the value, which stays 1.5 s after the last change and then cross-fades back in 220 ms (14
// ticks of its 16 ms timer), by the clock rather than by counting ticks. UI thread only.

#include "editor/ui/AnimationClock.h"
#include "editor/ui/Control.h"
#include "editor/ui/UiTimer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Ryvel::ui
{

enum class ValueFormat : std::int32_t
{
    Percent = 0,
    Frequency = 1
};

class LabelSlider : public Control
{
public:
    static constexpr int kReadoutPeriodMs = 16;
    static constexpr double kReadoutHoldMs = 1500.0;
    // 0.07272727 of the way back to the caption per tick at the timer's own rate.
    static constexpr double kReadoutFadeMs = 220.0;

    LabelSlider(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                std::string label, ValueFormat format);

    // "13%" (percent, halves away from zero) or the frequency 20 x 125^value in hertz: "224",
    // or one decimal and "k" from 1000 Hz on ("2.5k").
    std::string formatValue() const;
    // Shows the current value in place of the caption and restarts the hold.
    void flashReadout();
    // Sets the value from a point in local coordinates, tells the listener, shows the readout.
    void updateValueFromPoint(juce::Point<float> point);

    const std::string& getLabel() const { return label; }
    ValueFormat getFormat() const { return format; }
    float getLabelAlpha() const { return labelAlpha; }
    const std::string& getReadoutText() const { return readoutText; }
    bool isDragging() const { return dragging; }
    // Null until the first readout.
    UiTimer* getReadoutTimer() const { return readoutTimer.get(); }
    void setClock(AnimationClock c) { clock = std::move(c); }

    // Track ends in local coordinates: the value runs from 0 at trackStart to 1 at trackEnd.
    float trackStart() const;
    float trackEnd() const;

    bool onMouseDown(const PointerEvent& event) override;
    bool onMouseMoved(const PointerEvent& event) override;
    bool onMouseUp(const PointerEvent& event) override;
    void paint(juce::Graphics& g) override;

private:
    float valueAt(juce::Point<float> point) const;
    void readoutTick();

    std::string label;
    ValueFormat format;
    bool dragging = false;
    float labelAlpha = 1.0f;
    double lastChangeMs = 0.0; // when the readout was last (re)started
    AnimationClock clock = steadyMilliseconds;
    std::string readoutText;
    std::unique_ptr<UiTimer> readoutTimer;
};

} // namespace Ryvel::ui
