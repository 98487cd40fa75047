// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A bitmap scaled to fill the view (the body's background picture); it takes no mouse events.

#include <juce_gui_basics/juce_gui_basics.h>

namespace Ryvel::ui
{

class StretchedBitmap : public juce::Component
{
public:
    StretchedBitmap(juce::Rectangle<int> bounds, juce::Image bitmap);

    const juce::Image& getBitmap() const { return bitmap; }
    void paint(juce::Graphics& g) override;

private:
    juce::Image bitmap;
};

} // namespace Ryvel::ui
