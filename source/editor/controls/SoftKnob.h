// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A voice parameter's knob, drawn from a filmstrip: 65 square frames in one column. Dragging up
// or right turns it up (200 pixels for the whole range, a tenth of that speed with Shift), the
// wheel turns it in twentieths (Shift: two-hundredths) and a double click returns it to its
// default. Each gesture is one begin/end edit pair around its value changes. UI thread only.

#include "editor/ui/Control.h"

namespace Ryvel::ui
{

class SoftKnob : public Control
{
public:
    static constexpr int kFrameCount = 65;
    static constexpr float kDragPixelsForFullRange = 200.0f;
    static constexpr float kWheelStep = 0.05f;
    static constexpr float kFineFactor = 0.1f;

    SoftKnob(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
             juce::Image strip);

    // The normalised value a double click restores.
    void setDefaultValue(float normalized);
    float getDefaultValue() const { return defaultValue; }

    // The strip frame shown for the current value: min(64, trunc(65 x value)).
    int frameIndex() const;
    bool isDragging() const { return dragging; }

    bool onMouseDown(const PointerEvent& event) override;
    bool onMouseMoved(const PointerEvent& event) override;
    bool onMouseUp(const PointerEvent& event) override;
    bool onMouseWheel(const PointerEvent& event, float notches) override;
    void paint(juce::Graphics& g) override;

private:
    void anchorAt(juce::Point<float> position, bool fine);
    // Sets the value and tells the listener, if it changed.
    void changeTo(float newValue);

    juce::Image strip;
    float defaultValue = 0.5f;
    bool dragging = false;
    bool anchorFine = false;
    juce::Point<float> anchorPosition;
    float anchorValue = 0.0f;
};

} // namespace Ryvel::ui
