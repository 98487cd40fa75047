// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A voice parameter's knob, drawn from a filmstrip: 65 square frames in one column. How a drag
// turns it depends on the drag mode (the host's knob mode, as the editor passes it on):
// - Vertical: dragging up or right turns it up (200 pixels for the whole range, a tenth of that
//   speed with Shift);
// - Circular: the value follows the pointer's angle around the knob's centre;
// - RelativeCircular: the value moves by the angle the pointer turns through.
// Angles are those of the drawn arc: clockwise from straight up, value 0 at -135 degrees (down
// left), value 1 at +135 degrees (down right); the 90 degrees below the centre are outside the
// arc. So in both circular modes the whole arc of 270 degrees is the whole range.
// In every mode the wheel turns it in twentieths (Shift: two-hundredths) and a double click
// returns it to its default. Each gesture is one begin/end edit pair around its value changes.
// UI thread only.

#include "editor/ui/Control.h"

#include <optional>

namespace Ryvel::ui
{

class SoftKnob : public Control
{
public:
    enum class DragMode
    {
        Vertical,
        Circular,
        RelativeCircular
    };

    static constexpr int kFrameCount = 65;
    static constexpr float kDragPixelsForFullRange = 200.0f;
    static constexpr float kWheelStep = 0.05f;
    static constexpr float kFineFactor = 0.1f;
    // Either side of straight up; the knob strip's arc spans the same angles.
    static constexpr float kSweepDegrees = 135.0f;
    // Closer than this to the centre (design pixels) the pointer's angle means nothing.
    static constexpr float kCentreDeadZone = 4.0f;

    SoftKnob(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
             juce::Image strip);

    // The normalised value a double click restores.
    void setDefaultValue(float normalized);
    float getDefaultValue() const { return defaultValue; }

    // Takes effect with the next press; a drag in progress keeps the mode it started with.
    void setDragMode(DragMode mode) { dragMode = mode; }
    DragMode getDragMode() const { return dragMode; }

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
    void dragVertically(const PointerEvent& event);
    void dragCircularly(juce::Point<float> position);
    // Degrees clockwise from straight up, in (-180, 180]; nothing inside the dead zone.
    std::optional<float> pointerAngle(juce::Point<float> position) const;

    juce::Image strip;
    float defaultValue = 0.5f;
    DragMode dragMode = DragMode::Vertical;
    DragMode gestureMode = DragMode::Vertical;
    bool dragging = false;
    bool anchorFine = false;
    juce::Point<float> anchorPosition;
    float anchorValue = 0.0f;
    // Relative circular: the pointer's angle at the previous event, if it had one.
    std::optional<float> lastAngle;
};

} // namespace Ryvel::ui
