// SPDX-License-Identifier: GPL-3.0-or-later
// The shared drawing helpers, the font choice and the bundle's bitmaps and fonts.

#include "ControlTestSupport.h"

#include "editor/ui/Bitmaps.h"
#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"
#include "editor/ui/RyvelLookAndFeel.h"

#include <gtest/gtest.h>

#include <limits>

namespace Ryvel::ui::test
{
namespace
{

juce::Image canvas(int width, int height)
{
    return juce::Image(juce::Image::ARGB, width, height, true, juce::SoftwareImageType());
}

TEST(Drawing, PillIsACapsuleWithATwoPixelOutlineInsideItsRect)
{
    juce::Image image = canvas(100, 40);
    {
        juce::Graphics g(image);
        drawPill(g, {10.0f, 10.0f, 60.0f, 20.0f}, kBlack, kOutlineGrey);
    }
    EXPECT_TRUE(near(image.getPixelAt(40, 20), kBlack));
    // The outline: two pixels on each flat side, nothing outside the rect.
    for (const auto& [x, y] :
         {std::pair{40, 10}, std::pair{40, 11}, std::pair{40, 28}, std::pair{40, 29}})
        EXPECT_TRUE(near(image.getPixelAt(x, y), kOutlineGrey)) << x << "," << y;
    EXPECT_TRUE(near(image.getPixelAt(40, 12), kBlack));
    EXPECT_EQ(image.getPixelAt(40, 9).getAlpha(), 0);
    EXPECT_EQ(image.getPixelAt(40, 30).getAlpha(), 0);
    // Round ends: the rect's corners stay empty.
    EXPECT_EQ(image.getPixelAt(10, 10).getAlpha(), 0);
    EXPECT_EQ(image.getPixelAt(69, 29).getAlpha(), 0);
}

TEST(Drawing, CardIsBlackWithRoundedCorners)
{
    juce::Image image = canvas(100, 60);
    {
        juce::Graphics g(image);
        drawCardBackground(g, {0.0f, 0.0f, 100.0f, 60.0f});
    }
    EXPECT_TRUE(near(image.getPixelAt(50, 30), kBlack));
    EXPECT_TRUE(near(image.getPixelAt(50, 0), kBlack));
    EXPECT_EQ(image.getPixelAt(0, 0).getAlpha(), 0);
}

TEST(Drawing, StretchedBitmapSkipsWhatCannotBeDrawn)
{
    juce::Image red(juce::Image::ARGB, 4, 4, false);
    red.clear(red.getBounds(), juce::Colours::red);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        const char* what;
        juce::Image image;
        juce::Rectangle<float> rect;
        float alpha;
    };
    for (const Case& c :
         {Case{"missing bitmap", juce::Image(), {0, 0, 20, 20}, 1.0f},
          Case{"zero alpha", red, {0, 0, 20, 20}, 0.0f},
          Case{"negative alpha", red, {0, 0, 20, 20}, -1.0f},
          Case{"NaN alpha", red, {0, 0, 20, 20}, nan}, Case{"empty rect", red, {0, 0, 0, 20}, 1.0f},
          Case{"NaN rect", red, {nan, 0, 20, 20}, 1.0f}})
    {
        SCOPED_TRACE(c.what);
        juce::Image image = canvas(20, 20);
        {
            juce::Graphics g(image);
            drawBitmapStretched(g, c.image, c.rect, c.alpha);
        }
        EXPECT_EQ(
            countPixels(image, image.getBounds(), [](juce::Colour p) { return p.getAlpha() != 0; }),
            0);
    }
}

TEST(Drawing, StretchedBitmapFillsTheRectAtTheGivenAlpha)
{
    juce::Image blue(juce::Image::ARGB, 8, 2, false);
    blue.clear(blue.getBounds(), juce::Colours::blue);
    juce::Image image = canvas(40, 40);
    {
        juce::Graphics g(image);
        drawBitmapStretched(g, blue, {10.0f, 5.0f, 20.0f, 30.0f}, 0.5f);
    }
    EXPECT_NEAR(image.getPixelAt(20, 20).getAlpha(), 128, 2);
    EXPECT_EQ(image.getPixelAt(20, 20).getBlue(), 255);
    EXPECT_GT(image.getPixelAt(11, 6).getAlpha(), 100);
    EXPECT_EQ(image.getPixelAt(8, 20).getAlpha(), 0);
    EXPECT_EQ(image.getPixelAt(20, 37).getAlpha(), 0);
}

TEST(Drawing, ReductionAveragesBlocksOfFourPixels)
{
    juce::Image checker(juce::Image::ARGB, 4, 2, false, juce::SoftwareImageType());
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            checker.setPixelAt(x, y,
                               (x + y) % 2 == 0 ? juce::Colours::white : juce::Colours::black);
    const juce::Image half = reducedImage(checker, 1);
    ASSERT_EQ(half.getWidth(), 2);
    ASSERT_EQ(half.getHeight(), 1);
    EXPECT_NEAR(half.getPixelAt(0, 0).getRed(), 128, 1);
    EXPECT_NEAR(half.getPixelAt(1, 0).getGreen(), 128, 1);
    EXPECT_EQ(reducedImage(checker, 0).getWidth(), 4);
    // Asked again, the same copy comes back.
    EXPECT_EQ(reducedImage(checker, 1).getPixelData(), half.getPixelData());
}

TEST(Fonts, TheFirstAvailableFamilyOfTheListWinsElseTheFirstOfTheList)
{
    struct Case
    {
        std::set<std::string> available;
        const char* chosen;
    };
    for (const Case& c : {Case{{"Arial", "Bahnschrift"}, "Bahnschrift"}, Case{{"Arial"}, "Arial"},
                          Case{{"Arial", "DIN Pro", "DIN"}, "DIN"}, Case{{}, "DIN"},
                          Case{{"Barlow Condensed Medium"}, "DIN"}})
    {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(
            chooseFontFamily(c.available, kUiFallbackFamilies.data(), kUiFallbackFamilies.size()),
            c.chosen);
    }
    EXPECT_EQ(chooseFontFamily({"Arial"}, nullptr, 0), "");
}

// The fonts were registered as where fontconfig is missing (ControlsTestMain.cpp).
TEST(Fonts, BundledFamiliesAreAvailableAndDrawnFromTheBundlesFiles)
{
    const auto families = availableFontFamilies();
    EXPECT_EQ(families.count("Barlow Condensed Medium"), 1u);
    EXPECT_EQ(families.count("Barlow Condensed"), 1u);

    // The medium file for the UI font, the regular file for the captions' family (FreeType
    // names both files' family "Barlow Condensed"; their styles tell them apart).
    const juce::Font ui = makeUiFont(9.0f);
    const juce::Font caption = pickFontFamily(kCaptionFamilies, juce::Font::plain, 10.0f);
    EXPECT_EQ(ui.getTypefacePtr()->getName(), "Barlow Condensed");
    EXPECT_EQ(ui.getTypefacePtr()->getStyle(), "Medium");
    EXPECT_EQ(caption.getTypefacePtr()->getName(), "Barlow Condensed");
    EXPECT_EQ(caption.getTypefacePtr()->getStyle(), "Regular");
}

TEST(Fonts, PointSizesBecomeTheEmSizeInDesignPixels)
{
    for (const float size : {9.0f, 10.0f, 13.0f})
    {
        SCOPED_TRACE(size);
        const juce::Font font = makeUiFont(size);
        EXPECT_NEAR(font.getHeightInPoints(), size, 0.01f);
        // Barlow's capitals are 0.7 em high: a size-10 "H" is 7 pixels tall.
        juce::GlyphArrangement glyphs;
        glyphs.addLineOfText(font, "H", 0.0f, 0.0f);
        juce::Path outline;
        glyphs.createPath(outline);
        EXPECT_NEAR(outline.getBounds().getHeight(), 0.7f * size, 0.3f);
    }
    EXPECT_NEAR(makeUiFont(std::numeric_limits<float>::quiet_NaN()).getHeightInPoints(), 10.0f,
                0.01f);
}

TEST(Fonts, AFamilyNoOneHasStillDrawsText)
{
    const char* const missing[] = {"No Such Family 7f3a"};
    const juce::Font font = pickFontFamily(missing, 1, juce::Font::bold, 12.0f);
    juce::Image image = canvas(80, 30);
    {
        juce::Graphics g(image);
        drawTextLine(g, "PTRN", font, juce::Colours::white, {0.0f, 0.0f, 80.0f, 30.0f},
                     juce::Justification::centredLeft);
    }
    EXPECT_GT(
        countPixels(image, image.getBounds(), [](juce::Colour c) { return c.getAlpha() > 128; }),
        20);
}

TEST(Fonts, LookAndFeelGivesNamedFontsTheBundledTypeface)
{
    RyvelLookAndFeel lookAndFeel;
    const auto face = lookAndFeel.getTypefaceForFont(
        juce::Font("Barlow Condensed Medium", 9.0f, juce::Font::plain));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->getName(), "Barlow Condensed");
    EXPECT_EQ(face->getStyle(), "Medium");
    EXPECT_EQ(typefaceFor(juce::Font(juce::Font::getDefaultSansSerifFontName(), 9.0f, 0)), nullptr);
}

// The first kilobyte of a real PNG: a valid header, then nothing.
std::string damagedPngFolder()
{
    static const juce::TemporaryFile folder;
    const juce::File dir = folder.getFile();
    dir.createDirectory();
    juce::MemoryBlock png;
    juce::File(testResources()).getChildFile("knob_strip.png").loadFileAsData(png);
    png.setSize(1024);
    dir.getChildFile("truncated.png").replaceWithData(png.getData(), png.getSize());
    return dir.getFullPathName().toStdString();
}

TEST(Bitmaps, MissingAndDamagedFilesAreImagesOfWidthZero)
{
    for (const auto& [dir, name] :
         {std::pair<std::string, std::string>{testResources(), "nope.png"},
          {"", "background.png"},
          {testResources(), ""},
          {testResources() + "/Fonts", "OFL.txt"},
          {damagedPngFolder(), "truncated.png"}})
    {
        SCOPED_TRACE(dir + " / " + name);
        EXPECT_EQ(loadBitmap(dir, name).getWidth(), 0);
    }
}

TEST(Bitmaps, TheBundleHoldsTheTenBitmapsInTheirShapes)
{
    struct Case
    {
        const char* name;
        int width;
        int height;
    };
    for (const Case c : {Case{"background.png", 1680, 772}, Case{"button_off.png", 174, 130},
                         Case{"button_on.png", 174, 130}, Case{"button_pressed.png", 174, 130},
                         Case{"button_active.png", 174, 130}, Case{"knob_strip.png", 240, 15600},
                         Case{"icon_ptrn_idle.png", 56, 56}, Case{"icon_ptrn_active.png", 56, 56},
                         Case{"icon_ctrl_idle.png", 56, 56}, Case{"icon_ctrl_active.png", 56, 56}})
    {
        SCOPED_TRACE(c.name);
        const juce::Image image = loadBitmap(testResources(), c.name);
        EXPECT_EQ(image.getWidth(), c.width);
        EXPECT_EQ(image.getHeight(), c.height);
    }
    // The switch overlay is transparent at its edges, where neighbours overlap.
    const juce::Image active = loadBitmap(testResources(), "button_active.png");
    EXPECT_EQ(active.getPixelAt(2, 65).getAlpha(), 0);
}

} // namespace
} // namespace Ryvel::ui::test
