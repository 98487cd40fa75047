// SPDX-License-Identifier: GPL-3.0-or-later
// JUCE's TextEditor asks the default look-and-feel for its caret while it is being constructed,
// and that creates juce::Desktop. Pointed at a display that does not exist, the Desktop finds
// no X server and stays inert; no window is ever made.

#include "editor/ui/RyvelLookAndFeel.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("DISPLAY", ":65535", 1);
    const juce::ScopedJuceInitialiser_GUI juce;
    Ryvel::ui::RyvelLookAndFeel lookAndFeel;
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);
    const int result = RUN_ALL_TESTS();
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    return result;
}
