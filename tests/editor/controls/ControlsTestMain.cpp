// SPDX-License-Identifier: GPL-3.0-or-later
// JUCE's message manager is all these tests need. Nothing here may create juce::Desktop; as a
// guard, DISPLAY points at a display that does not exist, so a stray Desktop connects nowhere.

#include "ControlTestSupport.h"

#include "platform/BundledFonts.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("DISPLAY", ":65535", 1);
    const juce::ScopedJuceInitialiser_GUI juce;
    // What the platform's registration records for the bundle's two files; fontconfig lists
    // the medium file under both names.
    const std::string fonts = Ryvel::ui::test::testResources() + "/Fonts/";
    Ryvel::BundledFonts::record(fonts + "BarlowCondensed_500Medium.ttf", "Barlow Condensed");
    Ryvel::BundledFonts::record(fonts + "BarlowCondensed_500Medium.ttf", "Barlow Condensed Medium");
    Ryvel::BundledFonts::record(fonts + "BarlowCondensed_400Regular.ttf", "Barlow Condensed");
    return RUN_ALL_TESTS();
}
