// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A labelled pill button of the modal views; a primary button is drawn in the accent colour.
// UI thread only.

#include "editor/controls/MomentaryButton.h"

#include <string>

namespace Ryvel::ui
{

class TextButton : public MomentaryButton
{
public:
    TextButton(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
               std::string label, bool primary);

    const std::string& getLabel() const { return label; }
    bool isPrimary() const { return primary; }
    void paint(juce::Graphics& g) override;

private:
    std::string label;
    bool primary;
};

} // namespace Ryvel::ui
