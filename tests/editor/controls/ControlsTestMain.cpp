// SPDX-License-Identifier: GPL-3.0-or-later
// JUCE's message manager is all these tests need. Nothing here may create juce::Desktop; as a
// guard, DISPLAY points at a display that does not exist, so a stray Desktop connects nowhere.

#include "ControlTestSupport.h"

#include "platform/linux/FontconfigApi.h"
#include "platform/linux/FontsLinux.h"
#include "platform/linux/RuntimeLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("DISPLAY", ":65535", 1);
    const juce::ScopedJuceInitialiser_GUI juce;
    // The bundle's fonts registered as on a system without fontconfig: the platform takes the
    // families from the files and the toolkit reads the files itself, so the font tests here
    // show that the editor still draws with the bundled fonts there.
    Ryvel::RuntimeLibrary::replaceForTesting(Ryvel::FontconfigApi::kLibrary,
                                             "/nonexistent/libfontconfig.so.1");
    Ryvel::registerFontFolderLinux(Ryvel::ui::test::testResources() + "/Fonts");
    return RUN_ALL_TESTS();
}
