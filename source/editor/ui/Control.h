// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's notion of a control on top of JUCE: a component with a normalised value, a tag
// (the parameter ID for parameter controls) and a listener that hears begin-edit, value-changed
// and end-edit. Everything in the editor uses this layer rather than JUCE's own widgets, so the
// control protocol stays the same whatever the toolkit does. UI thread only.
//
// Mouse behaviour lives in onMouseDown / onMouseUp / onMouseMoved / onMouseWheel, which take a
// PointerEvent of ours: a juce::MouseEvent cannot exist without juce::Desktop (which opens the X
// display), so tests call these directly and the JUCE overrides only translate.

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

namespace Ryvel::ui
{

class Control;
class PillTextEdit;

// How a text field's editing ended: Return and focus loss commit, Escape cancels.
enum class EditEndReason
{
    Return,
    Escape,
    FocusLost
};

class ControlListener
{
public:
    virtual void valueChanged(Control* control) = 0;
    virtual void controlBeginEdit(Control*) {}
    virtual void controlEndEdit(Control*) {}
    // The text field's counterpart of valueChanged; the field may be deleted from here on.
    virtual void textEditEnded(PillTextEdit*, EditEndReason) {}

protected:
    ~ControlListener() = default;
};

// One mouse event in the control's local coordinates (design pixels).
struct PointerEvent
{
    juce::Point<float> position;
    // The left button is down and no other mouse button is; modifier keys do not count.
    bool onlyLeftButton = true;
    // The second press of a double click (arrives as a mouse-down).
    bool doubleClick = false;
    bool shift = false;
    bool ctrlOrCmd = false;
    bool alt = false;

    static PointerEvent at(float x, float y) { return PointerEvent{{x, y}}; }
    static PointerEvent from(const juce::MouseEvent& event);
};

class Control : public juce::Component
{
public:
    // `bounds` are design pixels inside the parent.
    Control(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag);

    float getValue() const { return value; }
    // Limited to min..max; a non-finite value becomes min, so drawing never sees NaN.
    void setValue(float newValue);
    float getMin() const { return minValue; }
    float getMax() const { return maxValue; }
    void setMin(float v) { minValue = v; }
    void setMax(float v) { maxValue = v; }
    float getValueNormalized() const;

    std::int32_t getTag() const { return tag; }
    ControlListener* getListener() const { return listener; }

    void beginEdit();
    void valueChanged();
    void endEdit();
    bool isEditing() const { return editing; }

    // Schedules a repaint (the toolkit's "invalid").
    void invalid() { repaint(); }

    // Each returns whether the control handled the event; the defaults handle nothing.
    virtual bool onMouseDown(const PointerEvent&) { return false; }
    virtual bool onMouseUp(const PointerEvent&) { return false; }
    // Pointer movement while a button is held (JUCE's drag).
    virtual bool onMouseMoved(const PointerEvent&) { return false; }
    // `notches`: one wheel click is 1, positive away from the user; trackpads give fractions.
    virtual bool onMouseWheel(const PointerEvent&, float /*notches*/) { return false; }

    // The press rule of every control: the left button and no other mouse button.
    static bool onlyLeftButton(const juce::MouseEvent& event);

    // The momentary controls' action: begin, value 1, changed, end, then back to 0 unheard.
    void fire();

    void mouseDown(const juce::MouseEvent& event) override;
    void mouseUp(const juce::MouseEvent& event) override;
    void mouseDrag(const juce::MouseEvent& event) override;
    void mouseWheelMove(const juce::MouseEvent& event,
                        const juce::MouseWheelDetails& wheel) override;

private:
    ControlListener* listener;
    std::int32_t tag;
    float value = 0.0f;
    float minValue = 0.0f;
    float maxValue = 1.0f;
    bool editing = false;
};

} // namespace Ryvel::ui
