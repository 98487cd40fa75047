// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/RyvelLookAndFeel.h"

#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

namespace Ryvel::ui
{
namespace
{
const juce::Colour kTextLight = juce::Colour::fromRGB(214, 208, 200);
const juce::Colour kMenuBackground = juce::Colour::fromRGB(16, 15, 14);
} // namespace

RyvelLookAndFeel::RyvelLookAndFeel()
{
    const juce::Colour transparent = juce::Colours::transparentBlack;
    setColour(juce::TextEditor::backgroundColourId, transparent);
    setColour(juce::TextEditor::outlineColourId, transparent);
    setColour(juce::TextEditor::focusedOutlineColourId, transparent);
    setColour(juce::TextEditor::shadowColourId, transparent);
    setColour(juce::TextEditor::textColourId, kTextLight);
    setColour(juce::TextEditor::highlightColourId, kAccent.withAlpha(0.45f));
    setColour(juce::TextEditor::highlightedTextColourId, juce::Colours::white);
    setColour(juce::CaretComponent::caretColourId, kAccent);

    setColour(juce::PopupMenu::backgroundColourId, kMenuBackground);
    setColour(juce::PopupMenu::textColourId, kTextLight);
    setColour(juce::PopupMenu::headerTextColourId, kOutlineGrey);
    setColour(juce::PopupMenu::highlightedBackgroundColourId, kAccent);
    setColour(juce::PopupMenu::highlightedTextColourId, kBlack);
}

juce::Typeface::Ptr RyvelLookAndFeel::getTypefaceForFont(const juce::Font& font)
{
    if (auto face = typefaceFor(font))
        return face;
    return juce::LookAndFeel_V4::getTypefaceForFont(font);
}

juce::Font RyvelLookAndFeel::getPopupMenuFont()
{
    return makeUiFont(13.0f);
}

} // namespace Ryvel::ui
