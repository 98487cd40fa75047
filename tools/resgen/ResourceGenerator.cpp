// SPDX-License-Identifier: GPL-3.0-or-later
// ryvel-resgen: draws the editor's ten bitmaps and writes them as PNG files.
//
//   ryvel-resgen OUTPUT_FOLDER [LETTERING_FONT.ttf]
//
// Everything is drawn at twice the design size (the knob strip at its fixed 240-pixel frames),
// so the editor reduces rather than enlarges at its zoom factors. The font, when given, prints
// the product's name onto the panel. Deterministic: the same program writes the same files.

#include <juce_graphics/juce_graphics.h>

#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

constexpr float kScale = 2.0f; // output pixels per design pixel
constexpr int kKnobFrames = 65;
constexpr int kKnobFrameSize = 240;
constexpr float kKnobSweepDegrees = 135.0f; // either side of straight up

const juce::Colour kAccent = juce::Colour::fromRGB(255, 58, 32);
const juce::Colour kGrey = juce::Colour::fromRGB(110, 104, 98);

juce::Image newImage(int width, int height)
{
    return juce::Image(juce::Image::ARGB, width, height, true, juce::SoftwareImageType());
}

float radians(float degrees)
{
    return degrees * juce::MathConstants<float>::pi / 180.0f;
}

void fillVertical(juce::Graphics& g, const juce::Path& path, juce::Rectangle<float> area,
                  juce::Colour top, juce::Colour bottom)
{
    g.setGradientFill(
        juce::ColourGradient(top, area.getTopLeft(), bottom, area.getBottomLeft(), false));
    g.fillPath(path);
}

// --- background ---------------------------------------------------------------------------

// Silkscreened lettering, letter-spaced by `tracking`, with a faint shadow to lift it off the
// brushed metal. Returns where the line ends on the right.
float print(juce::Graphics& g, const juce::Font& font, const juce::String& text, float x,
            float baseline, float tracking, juce::Justification justification, juce::Colour ink)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText(font, text, 0.0f, 0.0f);
    // Letter spacing: spread the glyphs apart, then place the line as a whole.
    for (int i = 0; i < glyphs.getNumGlyphs(); ++i)
        glyphs.getGlyph(i).moveBy(tracking * static_cast<float>(i), 0.0f);
    const float width = glyphs.getBoundingBox(0, -1, true).getWidth();
    const float left = justification.testFlags(juce::Justification::right) ? x - width : x;
    juce::Path shape;
    glyphs.createPath(shape);
    shape.applyTransform(juce::AffineTransform::translation(left, baseline));
    g.setColour(juce::Colours::black.withAlpha(0.6f));
    g.fillPath(shape, juce::AffineTransform::translation(0.0f, kScale));
    g.setColour(ink);
    g.fillPath(shape);
    return left + width;
}

void drawScrew(juce::Graphics& g, juce::Point<float> centre, float angle)
{
    const float r = 5.0f * kScale;
    g.setColour(juce::Colours::black.withAlpha(0.6f));
    g.fillEllipse(
        juce::Rectangle<float>(2 * r + kScale * 2, 2 * r + kScale * 2).withCentre(centre));
    juce::ColourGradient metal(juce::Colour::fromRGB(120, 114, 108), centre.translated(-r, -r),
                               juce::Colour::fromRGB(38, 35, 33), centre.translated(r, r), false);
    g.setGradientFill(metal);
    g.fillEllipse(juce::Rectangle<float>(2 * r, 2 * r).withCentre(centre));
    juce::Path slot;
    slot.addRectangle(-r * 0.75f, -kScale * 0.7f, r * 1.5f, kScale * 1.4f);
    slot.applyTransform(juce::AffineTransform::rotation(angle).translated(centre));
    g.setColour(juce::Colour::fromRGB(16, 15, 14));
    g.fillPath(slot);
}

juce::Image makeBackground(const juce::Font* letteringFont)
{
    const int width = static_cast<int>(840 * kScale);
    const int height = static_cast<int>(386 * kScale);
    juce::Image image = newImage(width, height);
    juce::Graphics g(image);
    const auto all = image.getBounds().toFloat();

    // Warm dark anodised panel, lighter at the top.
    g.setGradientFill(juce::ColourGradient(juce::Colour::fromRGB(36, 33, 30), {0.0f, 0.0f},
                                           juce::Colour::fromRGB(21, 19, 18),
                                           {0.0f, all.getBottom()}, false));
    g.fillAll();

    // Brushed grain: faint horizontal streaks of varying length and brightness.
    juce::Random random(0x52595645);
    for (int i = 0; i < 2600; ++i)
    {
        const float y = random.nextFloat() * all.getHeight();
        const float x = random.nextFloat() * all.getWidth();
        const float length = 40.0f + random.nextFloat() * 260.0f;
        const bool light = random.nextBool();
        g.setColour((light ? juce::Colours::white : juce::Colours::black)
                        .withAlpha(0.012f + random.nextFloat() * 0.02f));
        g.fillRect(juce::Rectangle<float>(x, y, length, 1.0f));
    }

    // Vignette towards the corners.
    juce::ColourGradient vignette(juce::Colours::transparentBlack, all.getCentre(),
                                  juce::Colours::black.withAlpha(0.45f), {0.0f, 0.0f}, true);
    vignette.addColour(0.55, juce::Colours::transparentBlack);
    g.setGradientFill(vignette);
    g.fillAll();

    // The header casts a short shadow onto the panel.
    g.setGradientFill(juce::ColourGradient(juce::Colours::black.withAlpha(0.7f), {0.0f, 0.0f},
                                           juce::Colours::transparentBlack, {0.0f, 7.0f * kScale},
                                           false));
    g.fillRect(all.withHeight(7.0f * kScale));

    // The recessed well holding the grid and the knobs.
    const juce::Rectangle<float> well(100.0f * kScale, 44.0f * kScale, 676.0f * kScale,
                                      316.0f * kScale);
    juce::Path wellShape;
    wellShape.addRoundedRectangle(well, 7.0f * kScale);
    g.setColour(juce::Colour::fromRGBA(255, 240, 225, 16));
    g.strokePath(wellShape, juce::PathStrokeType(1.0f * kScale),
                 juce::AffineTransform::translation(0.0f, 1.0f * kScale));
    fillVertical(g, wellShape, well, juce::Colour::fromRGB(15, 14, 13),
                 juce::Colour::fromRGB(19, 17, 16));
    {
        // Inner shadow along the top edge of the well.
        const juce::Graphics::ScopedSaveState saved(g);
        g.reduceClipRegion(wellShape);
        g.setGradientFill(juce::ColourGradient(juce::Colours::black.withAlpha(0.75f),
                                               well.getTopLeft(), juce::Colours::transparentBlack,
                                               well.getTopLeft().translated(0.0f, 10.0f * kScale),
                                               false));
        g.fillRect(well.withHeight(10.0f * kScale));

        // Lanes between the four voices.
        for (int v = 0; v < 3; ++v)
        {
            const float y = (125.5f + 78.0f * static_cast<float>(v)) * kScale;
            g.setColour(juce::Colours::black.withAlpha(0.8f));
            g.fillRect(juce::Rectangle<float>(well.getX() + 10.0f * kScale, y - kScale,
                                              well.getWidth() - 20.0f * kScale, kScale));
            g.setColour(juce::Colour::fromRGBA(255, 240, 225, 14));
            g.fillRect(juce::Rectangle<float>(well.getX() + 10.0f * kScale, y,
                                              well.getWidth() - 20.0f * kScale, kScale));
        }
    }
    g.setColour(juce::Colours::black.withAlpha(0.9f));
    g.strokePath(wellShape, juce::PathStrokeType(1.0f * kScale));

    // Voice markers beside the captions: a small unlit lamp per voice.
    for (int v = 0; v < 4; ++v)
    {
        const juce::Point<float> c(22.0f * kScale,
                                   (82.0f + 78.0f * static_cast<float>(v)) * kScale);
        g.setColour(juce::Colours::black.withAlpha(0.8f));
        g.fillEllipse(juce::Rectangle<float>(5.0f * kScale, 5.0f * kScale).withCentre(c));
        g.setColour(juce::Colour::fromRGB(70, 24, 16));
        g.fillEllipse(juce::Rectangle<float>(3.0f * kScale, 3.0f * kScale).withCentre(c));
    }

    drawScrew(g, {12.0f * kScale, 14.0f * kScale}, 0.6f);
    drawScrew(g, {828.0f * kScale, 14.0f * kScale}, 2.1f);
    drawScrew(g, {12.0f * kScale, 374.0f * kScale}, 1.2f);
    drawScrew(g, {828.0f * kScale, 374.0f * kScale}, 0.2f);

    const float baseline = 377.0f * kScale;
    if (letteringFont != nullptr)
    {
        const juce::Font big = letteringFont->withPointHeight(12.0f * kScale);
        const juce::Font small = letteringFont->withPointHeight(8.0f * kScale);
        const juce::Colour name = juce::Colour::fromRGB(168, 160, 152);
        const juce::Colour detail = juce::Colour::fromRGB(96, 90, 84);
        const float nameEnd = print(g, big, "RYVEL", 40.0f * kScale, baseline, 2.4f * kScale,
                                    juce::Justification::left, name);
        print(g, small, "STEP ECHO", nameEnd + 8.0f * kScale, baseline, 1.6f * kScale,
              juce::Justification::left, detail);
        print(g, small, "CORVANE AUDIO", 800.0f * kScale, baseline, 1.6f * kScale,
              juce::Justification::right, detail);
    }
    // The power lamp beside the name, lit.
    const juce::Point<float> lamp(30.0f * kScale, baseline - 4.0f * kScale);
    g.setGradientFill(juce::ColourGradient(kAccent.withAlpha(0.55f), lamp, kAccent.withAlpha(0.0f),
                                           lamp.translated(7.0f * kScale, 0), true));
    g.fillEllipse(juce::Rectangle<float>(14.0f * kScale, 14.0f * kScale).withCentre(lamp));
    g.setColour(kAccent);
    g.fillEllipse(juce::Rectangle<float>(3.4f * kScale, 3.4f * kScale).withCentre(lamp));
    g.setColour(juce::Colour::fromRGBA(255, 220, 200, 200));
    g.fillEllipse(juce::Rectangle<float>(1.4f * kScale, 1.4f * kScale)
                      .withCentre(lamp.translated(-0.5f * kScale, -0.5f * kScale)));

    // The panel's image is opaque: the body shows through nowhere.
    return image.convertedToFormat(juce::Image::RGB);
}

// --- step switches ------------------------------------------------------------------------

enum class Key
{
    Off,
    On,
    Pressed,
    Active
};

juce::Image makeKey(Key kind)
{
    const int width = static_cast<int>(87 * kScale);
    const int height = static_cast<int>(65 * kScale);
    juce::Image image = newImage(width, height);
    juce::Graphics g(image);

    // Neighbouring switches overlap by 5 design pixels: the cap keeps clear of the edges.
    const float sink = kind == Key::Pressed ? 1.0f * kScale : 0.0f;
    const juce::Rectangle<float> cap(5.0f * kScale, 4.0f * kScale + sink, 77.0f * kScale,
                                     54.0f * kScale);
    const float radius = 6.0f * kScale;
    juce::Path shape;
    shape.addRoundedRectangle(cap, radius);
    const juce::Rectangle<float> lamp(cap.getCentreX() - 12.0f * kScale, cap.getY() + 7.0f * kScale,
                                      24.0f * kScale, 3.0f * kScale);

    if (kind == Key::Active)
    {
        // The flash overlay: heat in the middle of the cap and a white-hot lamp; the rest stays
        // transparent so the switch underneath shows.
        const juce::Graphics::ScopedSaveState saved(g);
        g.reduceClipRegion(shape);
        juce::ColourGradient heat(juce::Colour::fromRGBA(255, 236, 220, 150), cap.getCentre(),
                                  juce::Colour::fromRGBA(255, 120, 80, 0),
                                  cap.getCentre().translated(cap.getWidth() * 0.62f, 0.0f), true);
        heat.addColour(0.5, juce::Colour::fromRGBA(255, 150, 110, 70));
        g.setGradientFill(heat);
        g.fillRect(cap);
        g.setColour(juce::Colours::white);
        g.fillRoundedRectangle(lamp.expanded(1.0f * kScale, 0.5f * kScale), 1.5f * kScale);
        return image;
    }

    const bool lit = kind == Key::On;
    juce::DropShadow(juce::Colours::black.withAlpha(kind == Key::Pressed ? 0.5f : 0.85f),
                     static_cast<int>((kind == Key::Pressed ? 3.0f : 5.0f) * kScale),
                     {0, static_cast<int>((kind == Key::Pressed ? 1.0f : 2.0f) * kScale)})
        .drawForPath(g, shape);
    if (lit)
        juce::DropShadow(kAccent.withAlpha(0.35f), static_cast<int>(5.0f * kScale), {0, 0})
            .drawForPath(g, shape);

    if (lit)
        fillVertical(g, shape, cap, juce::Colour::fromRGB(255, 104, 72),
                     juce::Colour::fromRGB(222, 44, 20));
    else if (kind == Key::Pressed)
        fillVertical(g, shape, cap, juce::Colour::fromRGB(24, 22, 20),
                     juce::Colour::fromRGB(31, 28, 26));
    else
        fillVertical(g, shape, cap, juce::Colour::fromRGB(50, 46, 43),
                     juce::Colour::fromRGB(31, 29, 27));

    {
        const juce::Graphics::ScopedSaveState saved(g);
        g.reduceClipRegion(shape);
        if (kind == Key::Pressed)
        {
            // Pushed in: shadow falls onto the top of the cap.
            g.setGradientFill(
                juce::ColourGradient(juce::Colours::black.withAlpha(0.6f), cap.getTopLeft(),
                                     juce::Colours::transparentBlack,
                                     cap.getTopLeft().translated(0, 9.0f * kScale), false));
            g.fillRect(cap);
        }
        else
        {
            // A soft sheen on the upper half of the cap.
            g.setGradientFill(juce::ColourGradient(
                juce::Colours::white.withAlpha(lit ? 0.22f : 0.06f), cap.getTopLeft(),
                juce::Colours::transparentWhite,
                cap.getTopLeft().translated(0, cap.getHeight() * 0.55f), false));
            g.fillRect(cap);
        }
    }

    // Edge: dark outline, light lip along the top.
    g.setColour(lit ? juce::Colour::fromRGB(110, 22, 8) : juce::Colour::fromRGB(8, 7, 7));
    g.strokePath(shape, juce::PathStrokeType(1.0f * kScale));
    juce::Path lip;
    lip.addRoundedRectangle(cap.reduced(1.0f * kScale), radius - kScale);
    {
        const juce::Graphics::ScopedSaveState saved(g);
        g.reduceClipRegion(cap.withHeight(radius * 1.5f).toNearestInt());
        g.setColour(lit ? juce::Colour::fromRGBA(255, 200, 180, 150)
                        : juce::Colour::fromRGBA(255, 240, 225, kind == Key::Pressed ? 10 : 34));
        g.strokePath(lip, juce::PathStrokeType(0.8f * kScale));
    }
    if (kind == Key::Pressed)
    {
        // The accent rim says "this one is under your finger".
        g.setColour(kAccent.withAlpha(0.55f));
        g.strokePath(lip, juce::PathStrokeType(1.0f * kScale));
    }

    // The step lamp.
    g.setColour(juce::Colours::black.withAlpha(0.55f));
    g.fillRoundedRectangle(lamp.expanded(1.0f * kScale), 2.0f * kScale);
    if (lit)
    {
        g.setColour(juce::Colour::fromRGB(255, 236, 222));
        g.fillRoundedRectangle(lamp, 1.5f * kScale);
    }
    else
    {
        g.setColour(kind == Key::Pressed ? juce::Colour::fromRGB(120, 34, 20)
                                         : juce::Colour::fromRGB(66, 24, 17));
        g.fillRoundedRectangle(lamp, 1.5f * kScale);
    }
    return image;
}

// --- knob strip ---------------------------------------------------------------------------

void drawKnobFrame(juce::Graphics& g, juce::Point<float> c, float value)
{
    const float start = radians(-kKnobSweepDegrees);
    const float end = radians(kKnobSweepDegrees);
    const float angle = start + value * (end - start);

    // Scale arc: the dark track, then the lit part up to the value.
    const float arcRadius = 104.0f;
    const juce::PathStrokeType arcStroke(13.0f, juce::PathStrokeType::curved,
                                         juce::PathStrokeType::rounded);
    juce::Path track;
    track.addCentredArc(c.x, c.y, arcRadius, arcRadius, 0.0f, start, end, true);
    g.setColour(juce::Colour::fromRGB(8, 7, 7));
    g.strokePath(track, juce::PathStrokeType(17.0f, juce::PathStrokeType::curved,
                                             juce::PathStrokeType::rounded));
    g.setColour(juce::Colour::fromRGB(44, 40, 37));
    g.strokePath(track, arcStroke);
    if (value > 0.0f)
    {
        juce::Path lit;
        lit.addCentredArc(c.x, c.y, arcRadius, arcRadius, 0.0f, start, angle, true);
        g.setColour(kAccent.withAlpha(0.25f));
        g.strokePath(lit, juce::PathStrokeType(21.0f, juce::PathStrokeType::curved,
                                               juce::PathStrokeType::rounded));
        g.setColour(kAccent);
        g.strokePath(lit, arcStroke);
    }

    // Body: a knurled skirt and a cap, lit from the top left.
    const float skirt = 84.0f;
    juce::Path skirtShape;
    skirtShape.addEllipse(juce::Rectangle<float>(2 * skirt, 2 * skirt).withCentre(c));
    juce::DropShadow(juce::Colours::black.withAlpha(0.9f), 16, {0, 7}).drawForPath(g, skirtShape);
    g.setGradientFill(juce::ColourGradient(
        juce::Colour::fromRGB(74, 69, 64), c.translated(-skirt, -skirt),
        juce::Colour::fromRGB(18, 17, 16), c.translated(skirt * 0.6f, skirt), false));
    g.fillPath(skirtShape);
    // Grooves turn with the knob.
    for (int i = 0; i < 60; ++i)
    {
        const float a = angle + static_cast<float>(i) * juce::MathConstants<float>::twoPi / 60.0f;
        const juce::Point<float> dir(std::sin(a), -std::cos(a));
        g.setColour(juce::Colours::black.withAlpha(0.55f));
        g.drawLine(juce::Line<float>(c + dir * 73.0f, c + dir * 83.0f), 2.2f);
    }
    g.setColour(juce::Colours::black);
    g.drawEllipse(juce::Rectangle<float>(2 * skirt, 2 * skirt).withCentre(c), 2.0f);

    const float cap = 68.0f;
    const auto capArea = juce::Rectangle<float>(2 * cap, 2 * cap).withCentre(c);
    juce::DropShadow(juce::Colours::black.withAlpha(0.6f), 8, {0, 3})
        .drawForPath(g,
                     [&]
                     {
                         juce::Path p;
                         p.addEllipse(capArea);
                         return p;
                     }());
    g.setGradientFill(juce::ColourGradient(juce::Colour::fromRGB(62, 58, 54), capArea.getTopLeft(),
                                           juce::Colour::fromRGB(26, 24, 22),
                                           capArea.getBottomRight(), false));
    g.fillEllipse(capArea);
    // Concentric machining on the cap.
    for (float r = 8.0f; r < cap; r += 5.0f)
    {
        g.setColour(juce::Colours::white.withAlpha(0.018f));
        g.drawEllipse(juce::Rectangle<float>(2 * r, 2 * r).withCentre(c), 1.0f);
    }
    g.setColour(juce::Colours::white.withAlpha(0.16f));
    juce::Path rim;
    rim.addCentredArc(c.x, c.y, cap - 1.0f, cap - 1.0f, 0.0f, radians(-110.0f), radians(20.0f),
                      true);
    g.strokePath(rim, juce::PathStrokeType(1.6f));
    g.setColour(juce::Colours::black.withAlpha(0.8f));
    g.drawEllipse(capArea, 1.5f);

    // Pointer.
    const juce::Point<float> dir(std::sin(angle), -std::cos(angle));
    g.setColour(juce::Colours::black.withAlpha(0.5f));
    g.drawLine(juce::Line<float>(c + dir * 24.0f, c + dir * 60.0f), 13.0f);
    juce::Path pointer;
    pointer.startNewSubPath(c + dir * 24.0f);
    pointer.lineTo(c + dir * 60.0f);
    g.setColour(juce::Colour::fromRGB(236, 230, 222));
    g.strokePath(pointer, juce::PathStrokeType(9.0f, juce::PathStrokeType::curved,
                                               juce::PathStrokeType::rounded));
}

juce::Image makeKnobStrip()
{
    juce::Image image = newImage(kKnobFrameSize, kKnobFrameSize * kKnobFrames);
    juce::Graphics g(image);
    for (int frame = 0; frame < kKnobFrames; ++frame)
    {
        const juce::Graphics::ScopedSaveState saved(g);
        const float top = static_cast<float>(frame * kKnobFrameSize);
        g.reduceClipRegion(0, frame * kKnobFrameSize, kKnobFrameSize, kKnobFrameSize);
        drawKnobFrame(g, {kKnobFrameSize * 0.5f, top + kKnobFrameSize * 0.5f},
                      static_cast<float>(frame) / static_cast<float>(kKnobFrames - 1));
    }
    return image;
}

// --- tab icons ----------------------------------------------------------------------------

juce::Image makeIcon(bool pattern, juce::Colour ink)
{
    const int size = static_cast<int>(14 * kScale * 2.0f); // four pixels per design pixel
    juce::Image image = newImage(size, size);
    juce::Graphics g(image);
    const float u = static_cast<float>(size) / 14.0f;
    if (pattern)
    {
        // A 2 x 2 step grid, two steps on.
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 2; ++col)
            {
                const juce::Rectangle<float> cell((1.5f + 6.0f * static_cast<float>(col)) * u,
                                                  (1.5f + 6.0f * static_cast<float>(row)) * u,
                                                  5.0f * u, 5.0f * u);
                g.setColour(ink);
                if (row == col)
                    g.fillRoundedRectangle(cell, 1.0f * u);
                else
                    g.drawRoundedRectangle(cell.reduced(0.6f * u), 0.8f * u, 1.2f * u);
            }
        return image;
    }
    // A knob: ring with a gap at the bottom and a pointer.
    const juce::Point<float> c(7.0f * u, 7.0f * u);
    juce::Path ring;
    ring.addCentredArc(c.x, c.y, 5.6f * u, 5.6f * u, 0.0f, radians(-135.0f), radians(135.0f), true);
    g.setColour(ink);
    g.strokePath(ring, juce::PathStrokeType(1.4f * u, juce::PathStrokeType::curved,
                                            juce::PathStrokeType::rounded));
    const float a = radians(40.0f);
    juce::Path pointer;
    pointer.startNewSubPath(c);
    pointer.lineTo(c + juce::Point<float>(std::sin(a), -std::cos(a)) * 4.0f * u);
    g.strokePath(pointer, juce::PathStrokeType(1.6f * u, juce::PathStrokeType::curved,
                                               juce::PathStrokeType::rounded));
    g.fillEllipse(juce::Rectangle<float>(2.4f * u, 2.4f * u).withCentre(c));
    return image;
}

bool writePng(const juce::File& folder, const char* name, const juce::Image& image)
{
    const juce::File file = folder.getChildFile(name);
    const juce::File temporary = file.getSiblingFile(juce::String(name) + ".part");
    temporary.deleteFile();
    {
        juce::FileOutputStream out(temporary);
        juce::PNGImageFormat png;
        if (!out.openedOk() || !png.writeImageToStream(image, out))
            return false;
    }
    // Replace the file in one step, so a build that is interrupted never leaves half a PNG.
    return temporary.moveFileTo(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        std::fprintf(stderr, "usage: ryvel-resgen OUTPUT_FOLDER [LETTERING_FONT.ttf]\n");
        return 2;
    }
    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    if (!folder.createDirectory())
    {
        std::fprintf(stderr, "ryvel-resgen: cannot create %s\n", argv[1]);
        return 1;
    }

    juce::Typeface::Ptr lettering;
    if (argc == 3)
    {
        juce::MemoryBlock data;
        if (juce::File::getCurrentWorkingDirectory().getChildFile(argv[2]).loadFileAsData(data))
            lettering = juce::Typeface::createSystemTypefaceFor(data.getData(), data.getSize());
        if (lettering == nullptr || lettering->getName().isEmpty())
        {
            std::fprintf(stderr, "ryvel-resgen: cannot read the font %s\n", argv[2]);
            return 1;
        }
    }
    const juce::Font letteringFont = lettering != nullptr ? juce::Font(lettering) : juce::Font();

    const struct
    {
        const char* name;
        std::function<juce::Image()> make;
    } outputs[] = {
        {"background.png",
         [&] { return makeBackground(lettering != nullptr ? &letteringFont : nullptr); }},
        {"button_off.png", [] { return makeKey(Key::Off); }},
        {"button_on.png", [] { return makeKey(Key::On); }},
        {"button_pressed.png", [] { return makeKey(Key::Pressed); }},
        {"button_active.png", [] { return makeKey(Key::Active); }},
        {"knob_strip.png", [] { return makeKnobStrip(); }},
        {"icon_ptrn_idle.png", [] { return makeIcon(true, kGrey); }},
        {"icon_ptrn_active.png", [] { return makeIcon(true, kAccent); }},
        {"icon_ctrl_idle.png", [] { return makeIcon(false, kGrey); }},
        {"icon_ctrl_active.png", [] { return makeIcon(false, kAccent); }},
    };
    for (const auto& output : outputs)
        if (!writePng(folder, output.name, output.make()))
        {
            std::fprintf(stderr, "ryvel-resgen: cannot write %s\n", output.name);
            return 1;
        }
    return 0;
}
