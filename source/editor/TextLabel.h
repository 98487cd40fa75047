// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A static caption: text in one font and colour on a transparent background.

#include <juce_gui_basics/juce_gui_basics.h>

#include <string>

namespace Ryvel
{

class TextLabel final : public juce::Component
{
public:
    TextLabel(juce::Rectangle<int> bounds, std::string text, juce::Font font, juce::Colour colour,
              juce::Justification justification)
        : text(std::move(text)), font(std::move(font)), colour(colour), justification(justification)
    {
        setBounds(bounds);
        setInterceptsMouseClicks(false, false);
    }

    const std::string& getText() const { return text; }
    void setText(std::string newText)
    {
        text = std::move(newText);
        repaint();
    }

    void paint(juce::Graphics& g) override
    {
        g.setFont(font);
        g.setColour(colour);
        // Fitted, never truncated with an ellipsis: long texts wrap onto a second line.
        g.drawFittedText(juce::String::fromUTF8(text.c_str()), getLocalBounds(), justification, 2,
                         1.0f);
    }

private:
    std::string text;
    juce::Font font;
    juce::Colour colour;
    juce::Justification justification;
};

} // namespace Ryvel
