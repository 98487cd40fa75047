// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The look-and-feel the editor installs on its root component and as JUCE's default while an
// editor is open. JUCE asks the *default* look-and-feel for the typeface of every font made by
// name, so the bundle's fonts reach JUCE only through this class being the default; the colours
// are those of the text fields and menus that JUCE draws itself. UI thread only.

#include <juce_gui_basics/juce_gui_basics.h>

namespace Ryvel::ui
{

class RyvelLookAndFeel : public juce::LookAndFeel_V4
{
public:
    RyvelLookAndFeel();

    juce::Typeface::Ptr getTypefaceForFont(const juce::Font& font) override;
    juce::Font getPopupMenuFont() override;
};

} // namespace Ryvel::ui
