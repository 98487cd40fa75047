// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/SoftKnob.h"

#include "editor/ui/Drawing.h"

#include <cmath>
#include <utility>

namespace Ryvel::ui
{

SoftKnob::SoftKnob(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                   juce::Image strip)
    : Control(bounds, listener, tag), strip(std::move(strip))
{
}

void SoftKnob::setDefaultValue(float normalized)
{
    defaultValue = std::isfinite(normalized) ? juce::jlimit(0.0f, 1.0f, normalized) : 0.5f;
}

int SoftKnob::frameIndex() const
{
    const float v = getValueNormalized();
    return juce::jlimit(0, kFrameCount - 1, static_cast<int>(static_cast<float>(kFrameCount) * v));
}

void SoftKnob::anchorAt(juce::Point<float> position, bool fine)
{
    anchorPosition = position;
    anchorValue = getValueNormalized();
    anchorFine = fine;
}

void SoftKnob::changeTo(float newValue)
{
    const float before = getValue();
    setValue(getMin() + newValue * (getMax() - getMin()));
    if (getValue() != before)
    {
        valueChanged();
        invalid();
    }
}

bool SoftKnob::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    if (event.doubleClick)
    {
        // The second press of a double click: its first press already opened and closed a
        // drag gesture, so the reset is a gesture of its own.
        dragging = false;
        beginEdit();
        changeTo(defaultValue);
        endEdit();
        return true;
    }
    beginEdit();
    dragging = true;
    gestureMode = dragMode;
    lastAngle.reset();
    if (gestureMode == DragMode::Vertical)
        anchorAt(event.position, event.shift);
    else
        dragCircularly(event.position);
    return true;
}

bool SoftKnob::onMouseMoved(const PointerEvent& event)
{
    if (!dragging)
        return false;
    if (gestureMode == DragMode::Vertical)
        dragVertically(event);
    else
        dragCircularly(event.position);
    return true;
}

void SoftKnob::dragVertically(const PointerEvent& event)
{
    // Switching fine mode mid-drag re-anchors, so the knob does not jump to where the other
    // speed would have put it.
    if (event.shift != anchorFine)
        anchorAt(event.position, event.shift);
    const juce::Point<float> moved = event.position - anchorPosition;
    const float pixels = moved.x - moved.y;
    const float speed = (event.shift ? kFineFactor : 1.0f) / kDragPixelsForFullRange;
    const float wanted = anchorValue + pixels * speed;
    const float limited = juce::jlimit(0.0f, 1.0f, wanted);
    changeTo(limited);
    // Past an end the anchor follows the pointer, so turning back responds at once.
    if (wanted != limited)
        anchorAt(event.position, event.shift);
}

std::optional<float> SoftKnob::pointerAngle(juce::Point<float> position) const
{
    const juce::Point<float> offset = position - getLocalBounds().toFloat().getCentre();
    if (offset.getDistanceFromOrigin() < kCentreDeadZone)
        return std::nullopt;
    // Zero straight up, growing clockwise (screen y grows downwards).
    return juce::radiansToDegrees(std::atan2(offset.x, -offset.y));
}

void SoftKnob::dragCircularly(juce::Point<float> position)
{
    const std::optional<float> angle = pointerAngle(position);
    const float fullSweep = 2.0f * kSweepDegrees;
    if (gestureMode == DragMode::RelativeCircular)
    {
        // Through the dead zone the angle jumps; the next event outside it starts afresh.
        if (angle && lastAngle)
        {
            float turned = *angle - *lastAngle;
            // The shorter way round: successive events are never half a turn apart.
            if (turned > 180.0f)
                turned -= 360.0f;
            else if (turned <= -180.0f)
                turned += 360.0f;
            changeTo(juce::jlimit(0.0f, 1.0f, getValueNormalized() + turned / fullSweep));
        }
        lastAngle = angle;
        return;
    }
    if (!angle)
        return;
    if (std::abs(*angle) <= kSweepDegrees)
        changeTo((*angle + kSweepDegrees) / fullSweep);
    else if (!lastAngle)
        changeTo(*angle > 0.0f ? 1.0f : 0.0f); // a press below the arc: its nearer end
    else
        // A drag below the arc stays at the end it left by, rather than flipping to the other
        // end when the pointer passes straight down.
        changeTo(getValueNormalized() >= 0.5f ? 1.0f : 0.0f);
    lastAngle = angle;
}

bool SoftKnob::onMouseUp(const PointerEvent&)
{
    if (!dragging)
        return false;
    dragging = false;
    endEdit();
    return true;
}

bool SoftKnob::onMouseWheel(const PointerEvent& event, float notches)
{
    if (!std::isfinite(notches) || notches == 0.0f)
        return false;
    const float step = kWheelStep * (event.shift ? kFineFactor : 1.0f);
    // A wheel turn during a drag belongs to the drag's gesture.
    const bool ownGesture = !dragging;
    if (ownGesture)
        beginEdit();
    changeTo(juce::jlimit(0.0f, 1.0f, getValueNormalized() + notches * step));
    if (ownGesture)
        endEdit();
    else
        anchorAt(event.position, event.shift);
    return true;
}

void SoftKnob::paint(juce::Graphics& g)
{
    if (!strip.isValid())
        return;
    const int frameWidth = strip.getWidth();
    const int frameHeight = strip.getHeight() / kFrameCount;
    if (frameWidth <= 0 || frameHeight <= 0)
        return;
    drawImageRegion(g, strip, {0, frameHeight * frameIndex(), frameWidth, frameHeight},
                    getLocalBounds().toFloat(), 1.0f);
}

} // namespace Ryvel::ui
