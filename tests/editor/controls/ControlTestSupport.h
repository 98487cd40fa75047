// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the control tests share: a listener that records the edit protocol, pointer events, and
// drawing a component into an image the way the editor's zoom would.

#include "editor/ui/AnimationClock.h"
#include "editor/ui/Control.h"
#include "editor/ui/UiTimer.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <string>
#include <vector>

namespace Ryvel::ui::test
{

struct EditEvent
{
    enum Kind
    {
        Begin,
        Changed,
        End
    };
    Kind kind;
    std::int32_t tag;
    float value; // the control's value when the event arrived

    bool operator==(const EditEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const EditEvent& e)
{
    static const char* const names[] = {"begin", "changed", "end"};
    return out << names[e.kind] << "(tag " << e.tag << ", value " << e.value << ")";
}

class RecordingListener : public ControlListener
{
public:
    void valueChanged(Control* c) override { record(EditEvent::Changed, c); }
    void controlBeginEdit(Control* c) override { record(EditEvent::Begin, c); }
    void controlEndEdit(Control* c) override { record(EditEvent::End, c); }

    std::vector<EditEvent> events;
    std::function<void(Control*)> onChanged;

private:
    void record(EditEvent::Kind kind, Control* c)
    {
        events.push_back({kind, c->getTag(), c->getValue()});
        if (kind == EditEvent::Changed && onChanged)
            onChanged(c);
    }
};

inline PointerEvent press(float x, float y)
{
    return PointerEvent::at(x, y);
}

inline PointerEvent pressWithButtons(float x, float y, bool onlyLeft)
{
    PointerEvent e = PointerEvent::at(x, y);
    e.onlyLeftButton = onlyLeft;
    return e;
}

// The component drawn into a transparent image of its size times `zoom`.
inline juce::Image render(juce::Component& component, float zoom = 1.0f)
{
    juce::Image image(juce::Image::ARGB, juce::roundToInt(component.getWidth() * zoom),
                      juce::roundToInt(component.getHeight() * zoom), true,
                      juce::SoftwareImageType());
    juce::Graphics g(image);
    g.addTransform(juce::AffineTransform::scale(zoom));
    component.paintEntireComponent(g, false);
    return image;
}

inline bool near(juce::Colour actual, juce::Colour expected, int tolerance = 3)
{
    const auto close = [&](int a, int b) { return std::abs(a - b) <= tolerance; };
    return close(actual.getRed(), expected.getRed()) &&
           close(actual.getGreen(), expected.getGreen()) &&
           close(actual.getBlue(), expected.getBlue()) &&
           close(actual.getAlpha(), expected.getAlpha());
}

// Pixels inside `area` whose colour satisfies `predicate`.
template <typename Predicate>
int countPixels(const juce::Image& image, juce::Rectangle<int> area, Predicate predicate)
{
    int count = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (predicate(image.getPixelAt(x, y)))
                ++count;
    return count;
}

// The time an animated control sees, moved by the test: a timer tick `ms` after the previous one
// is `tick(timer, ms)`.
struct ManualClock
{
    double nowMs = 5000.0;

    AnimationClock function()
    {
        return [this] { return nowMs; };
    }
    void tick(UiTimer& timer, double ms)
    {
        nowMs += ms;
        timer.fire();
    }
};

// Where the built bundle keeps its bitmaps and fonts.
inline std::string testResources()
{
    return RYVEL_TEST_RESOURCES;
}

} // namespace Ryvel::ui::test
