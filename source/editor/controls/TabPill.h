// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two-page switch: left half the pattern page (0), right half the control page (1). A press
// on the half that is not selected selects it and reports the page as the value; a press on the
// selected half does nothing. UI thread only.

#include "editor/ui/Control.h"

namespace Ryvel::ui
{

class TabPill : public Control
{
public:
    TabPill(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag);

    int getSelectedPage() const { return selectedPage; }
    // Selects without telling the listener (the editor's own page switch).
    void setSelectedPage(int page);
    // Once given, icons replace the "PTRN" / "CTRL" text; an icon that failed to load (an
    // invalid image, as a missing file gives) then draws nothing, and the pill stays.
    void setIcons(juce::Image patternIdle, juce::Image patternActive, juce::Image controlIdle,
                  juce::Image controlActive);

    bool onMouseDown(const PointerEvent& event) override;
    void paint(juce::Graphics& g) override;

private:
    int selectedPage = 0;
    bool iconsSet = false;
    juce::Image patternIdle;
    juce::Image patternActive;
    juce::Image controlIdle;
    juce::Image controlActive;
};

} // namespace Ryvel::ui
