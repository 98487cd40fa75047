// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's message manager for the whole test run. DISPLAY points at a display that does
// not exist, so the toolkit connects nowhere and no window is ever made.

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("DISPLAY", ":65535", 1);
    juce::ScopedJuceInitialiser_GUI toolkit;
    return RUN_ALL_TESTS();
}
