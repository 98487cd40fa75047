// SPDX-License-Identifier: GPL-3.0-or-later
// Controls drawn into images, checked at known pixels.

#include "ControlTestSupport.h"

#include "editor/controls/ChevronButton.h"
#include "editor/controls/HeaderDivider.h"
#include "editor/controls/LabelSlider.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "editor/controls/StretchedBitmap.h"
#include "editor/controls/TabPill.h"
#include "editor/ui/Bitmaps.h"
#include "editor/ui/Drawing.h"

#include <gtest/gtest.h>

namespace Ryvel::ui::test
{
namespace
{

juce::Image solid(int width, int height, juce::Colour colour)
{
    juce::Image image(juce::Image::ARGB, width, height, false, juce::SoftwareImageType());
    image.clear(image.getBounds(), colour);
    return image;
}

// A strip whose frame n is filled with red n x 3, so the drawn frame can be read back.
juce::Image numberedStrip()
{
    juce::Image strip(juce::Image::ARGB, 240, 240 * SoftKnob::kFrameCount, false,
                      juce::SoftwareImageType());
    for (int frame = 0; frame < SoftKnob::kFrameCount; ++frame)
        strip.clear({0, 240 * frame, 240, 240},
                    juce::Colour::fromRGB(static_cast<juce::uint8>(3 * frame), 40, 90));
    return strip;
}

TEST(Rendering, SwitchDrawsItsStateBitmapAndTheFlashOverIt)
{
    const juce::Colour offColour = juce::Colour::fromRGB(30, 30, 30);
    const juce::Colour onColour = kAccent;
    const juce::Colour pressedColour = juce::Colour::fromRGB(0, 0, 200);
    const juce::Image active = solid(10, 10, juce::Colours::white);
    SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, solid(174, 130, offColour),
                  solid(174, 130, onColour), solid(174, 130, pressedColour), active);
    ManualClock clock;
    sw.setClock(clock.function());

    EXPECT_TRUE(near(render(sw).getPixelAt(43, 32), offColour));
    sw.setValue(1.0f);
    for (const float zoom : {1.0f, 1.25f, 1.75f})
    {
        SCOPED_TRACE(zoom);
        const juce::Image image = render(sw, zoom);
        EXPECT_TRUE(near(image.getPixelAt(image.getWidth() / 2, image.getHeight() / 2), onColour));
    }

    sw.triggerFlash();
    EXPECT_TRUE(near(render(sw).getPixelAt(43, 32), juce::Colours::white));
    for (int tick = 0; tick < 7; ++tick)
        clock.tick(*sw.getFlashTimer(), 16.0);
    // Half faded (alpha 0.51): halfway between the accent and white.
    const juce::Colour mixed = render(sw).getPixelAt(43, 32);
    EXPECT_TRUE(near(mixed, onColour.interpolatedWith(juce::Colours::white, 0.51f), 4))
        << mixed.toDisplayString(true);

    while (sw.getFlashTimer()->isRunning())
        clock.tick(*sw.getFlashTimer(), 16.0);
    sw.onMouseDown(press(10, 10));
    EXPECT_TRUE(near(render(sw).getPixelAt(20, 50), pressedColour));
}

TEST(Rendering, SwitchWithoutBitmapsFallsBackToFlatColours)
{
    struct Case
    {
        float value;
        bool pressed;
        juce::Colour fill;
    };
    for (const Case c :
         {Case{0.0f, false, kOffFill}, Case{1.0f, false, kAccent},
          Case{0.0f, true, juce::Colour::fromRGB(225, 28, 2)}, Case{1.0f, true, kBlack}})
    {
        SCOPED_TRACE(c.fill.toDisplayString(false));
        SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, {}, {}, {}, {});
        sw.setValue(c.value);
        if (c.pressed)
            sw.onMouseDown(press(1, 1)); // toggles: the pressed fill is of the new value
        sw.triggerFlash();               // no flash in the fallback
        const juce::Image image = render(sw);
        EXPECT_TRUE(near(image.getPixelAt(43, 32), c.fill));
        EXPECT_TRUE(near(image.getPixelAt(0, 32), kOutlineGrey));
    }
}

TEST(Rendering, KnobDrawsTheFrameOfItsValueAtEveryZoom)
{
    const juce::Image strip = numberedStrip();
    struct Case
    {
        float value;
        int frame;
    };
    for (const float zoom : {1.0f, 1.25f, 1.5f, 2.0f})
        for (const Case c : {Case{0.0f, 0}, Case{0.5f, 32}, Case{1.0f, 64}})
        {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << ", value " << c.value);
            SoftKnob knob({0, 0, 68, 68}, nullptr, 128, strip);
            knob.setValue(c.value);
            const juce::Image image = render(knob, zoom);
            const juce::Colour centre =
                image.getPixelAt(image.getWidth() / 2, image.getHeight() / 2);
            EXPECT_EQ(centre.getRed(), 3 * c.frame);
            // The neighbouring frames must not bleed in at the top and bottom edges.
            const juce::Colour top = image.getPixelAt(image.getWidth() / 2, 1);
            EXPECT_NEAR(top.getRed(), 3 * c.frame, 1);
        }
}

TEST(Rendering, KnobWithoutAStripDrawsNothing)
{
    for (const juce::Image& strip : {juce::Image(), solid(240, 30, juce::Colours::red)})
    {
        SoftKnob knob({0, 0, 68, 68}, nullptr, 128, strip);
        knob.setValue(0.5f);
        const juce::Image image = render(knob);
        EXPECT_EQ(
            countPixels(image, image.getBounds(), [](juce::Colour c) { return c.getAlpha() != 0; }),
            0);
    }
}

TEST(Rendering, SliderDrawsTrackAndThumbAndShowsTheReadoutInTheAccent)
{
    LabelSlider slider({0, 0, 86, 22}, nullptr, 162, "MIX", ValueFormat::Percent);
    slider.setValue(1.0f);
    const auto isAccent = [](juce::Colour c)
    { return c.getRed() > 150 && c.getGreen() < 90 && c.getBlue() < 80; };
    const auto isGreyText = [](juce::Colour c)
    { return c.getRed() > 40 && std::abs(c.getRed() - c.getGreen()) < 15; };
    const juce::Rectangle<int> caption(12, 4, 23, 14);

    juce::Image image = render(slider);
    EXPECT_TRUE(near(image.getPixelAt(5, 11), kBlack));
    // The track is one pixel of grey centred on y 11, so it straddles two rows.
    EXPECT_NEAR(image.getPixelAt(50, 10).getRed() + image.getPixelAt(50, 11).getRed(),
                kOutlineGrey.getRed(), 4);
    EXPECT_TRUE(near(image.getPixelAt(50, 13), kBlack));
    EXPECT_TRUE(near(image.getPixelAt(74, 12), kOutlineGrey)); // the thumb at the end
    EXPECT_TRUE(near(image.getPixelAt(75, 9), kOutlineGrey));
    EXPECT_GT(countPixels(image, caption, isGreyText), 8);
    EXPECT_EQ(countPixels(image, caption, isAccent), 0);

    slider.flashReadout();
    image = render(slider);
    EXPECT_GT(countPixels(image, caption, isAccent), 8);
    EXPECT_EQ(countPixels(image, caption, isGreyText), 0);
}

TEST(Rendering, TabIconsThatFailedToLoadLeaveOnlyThePill)
{
    TabPill tab({0, 0, 60, 22}, nullptr, 0);
    const auto isAccent = [](juce::Colour c) { return c.getRed() > 150 && c.getGreen() < 90; };
    // Text until icons are given: "PTRN" lit on the left.
    juce::Image image = render(tab);
    EXPECT_GT(countPixels(image, {4, 4, 22, 14}, isAccent), 5);
    EXPECT_EQ(countPixels(image, {34, 4, 22, 14}, isAccent), 0);
    EXPECT_TRUE(near(image.getPixelAt(30, 11), kOutlineGrey)); // the divider

    tab.setIcons({}, {}, {}, {});
    image = render(tab);
    EXPECT_EQ(countPixels(image, {4, 4, 22, 14}, isAccent), 0);
    EXPECT_TRUE(near(image.getPixelAt(30, 11), kOutlineGrey));

    tab.setIcons(solid(8, 8, juce::Colours::red), solid(8, 8, juce::Colours::blue),
                 solid(8, 8, juce::Colours::yellow), solid(8, 8, juce::Colours::green));
    tab.setSelectedPage(1);
    image = render(tab);
    // 14-pixel icons from x 10 and x 36, pulled towards the divider.
    EXPECT_TRUE(near(image.getPixelAt(11, 11), juce::Colours::red));
    EXPECT_TRUE(near(image.getPixelAt(23, 11), juce::Colours::red));
    EXPECT_TRUE(near(image.getPixelAt(37, 11), juce::Colours::green));
    EXPECT_TRUE(near(image.getPixelAt(49, 11), juce::Colours::green));
    EXPECT_FALSE(near(image.getPixelAt(51, 11), juce::Colours::green));
}

TEST(Rendering, PressedChevronInvertsItsColours)
{
    ChevronButton chevron({0, 0, 22, 22}, nullptr, 0, -1);
    EXPECT_TRUE(near(render(chevron).getPixelAt(6, 11), kBlack));
    chevron.onMouseDown(press(5, 5));
    EXPECT_TRUE(near(render(chevron).getPixelAt(6, 11), kOutlineGrey));
}

TEST(Rendering, DividerRunsFromDarkToLight)
{
    HeaderDivider divider({32, 38, 764, 1});
    const juce::Image image = render(divider);
    EXPECT_TRUE(near(image.getPixelAt(0, 0), juce::Colour::fromRGB(31, 32, 36), 2));
    EXPECT_TRUE(near(image.getPixelAt(382, 0), juce::Colour::fromRGB(120, 124, 136), 2));
    EXPECT_TRUE(near(image.getPixelAt(763, 0), juce::Colour::fromRGB(129, 137, 150), 2));
}

TEST(Rendering, GeneratedBitmapsLookLikeTheirStates)
{
    const std::string dir = testResources();
    SoftSwitch sw({0, 0, 87, 65}, nullptr, 0, 0, 0, loadBitmap(dir, "button_off.png"),
                  loadBitmap(dir, "button_on.png"), loadBitmap(dir, "button_pressed.png"),
                  loadBitmap(dir, "button_active.png"));
    const auto reddish = [](juce::Colour c)
    { return c.getRed() > 180 && c.getGreen() < 120 && c.getBlue() < 100; };
    EXPECT_FALSE(reddish(render(sw).getPixelAt(43, 40)));
    sw.setValue(1.0f);
    EXPECT_TRUE(reddish(render(sw).getPixelAt(43, 40)));

    StretchedBitmap panel({0, 0, 840, 386}, loadBitmap(dir, "background.png"));
    const juce::Image image = render(panel);
    EXPECT_EQ(image.getPixelAt(420, 200).getAlpha(), 255);
    EXPECT_LT(image.getPixelAt(420, 200).getBrightness(), 0.25f); // a dark panel
}

} // namespace
} // namespace Ryvel::ui::test
