// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A container that owns the views added to it and paints an optional background colour: the
// editor's views belong to their parent, and leave with it.

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Ryvel
{

class ViewContainer final : public juce::Component
{
public:
    ViewContainer(juce::Rectangle<int> bounds, juce::Colour background) : background(background)
    {
        setBounds(bounds);
        setOpaque(background.isOpaque());
        setInterceptsMouseClicks(false, true);
    }
    ~ViewContainer() override { deleteAllChildren(); }

    // Takes ownership; returns the view for the caller's non-owning pointer.
    template <typename View> View* add(std::unique_ptr<View> view)
    {
        View* raw = view.release();
        addAndMakeVisible(raw);
        return raw;
    }

    void paint(juce::Graphics& g) override
    {
        if (!background.isTransparent())
            g.fillAll(background);
    }

private:
    juce::Colour background;
};

} // namespace Ryvel
