// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/Drawing.h"

#include "editor/ui/Bitmaps.h"

#include <cmath>

namespace Ryvel::ui
{
namespace
{

bool isUsable(juce::Rectangle<float> rect)
{
    return std::isfinite(rect.getX()) && std::isfinite(rect.getY()) &&
           std::isfinite(rect.getWidth()) && std::isfinite(rect.getHeight()) &&
           rect.getWidth() > 0.0f && rect.getHeight() > 0.0f;
}

// How many times the source may be halved before drawing it at `scale` (device pixels per
// source pixel) still only reduces it: bilinear sampling is faithful down to one half.
int reductionLevelFor(float scale, juce::Rectangle<int> source)
{
    int level = 0;
    while (level < kMaxImageReduction && scale * static_cast<float>(2 << level) <= 1.0f &&
           (source.getWidth() >> (level + 1)) > 0 && (source.getHeight() >> (level + 1)) > 0)
        ++level;
    return level;
}

} // namespace

void drawPill(juce::Graphics& g, juce::Rectangle<float> rect, juce::Colour fill, juce::Colour frame)
{
    if (!isUsable(rect))
        return;
    g.setColour(fill);
    g.fillRoundedRectangle(rect, rect.getHeight() * 0.5f);
    // A 2-pixel stroke is centred on its path: the path inset by 1 keeps the outline inside.
    const auto inset = rect.reduced(1.0f);
    if (!isUsable(inset))
        return;
    g.setColour(frame);
    g.drawRoundedRectangle(inset, inset.getHeight() * 0.5f, 2.0f);
}

void drawImageRegion(juce::Graphics& g, const juce::Image& image, juce::Rectangle<int> source,
                     juce::Rectangle<float> dest, float alpha)
{
    if (!image.isValid() || !(alpha > 0.0f) || !isUsable(dest) || source.isEmpty() ||
        !image.getBounds().contains(source))
        return;

    const float deviceScale = g.getInternalContext().getPhysicalPixelScaleFactor();
    const float scale =
        deviceScale * std::min(dest.getWidth() / static_cast<float>(source.getWidth()),
                               dest.getHeight() / static_cast<float>(source.getHeight()));
    const int level = std::isfinite(scale) ? reductionLevelFor(scale, source) : 0;
    const juce::Image reduced = level > 0 ? reducedImage(image, level) : image;
    if (!reduced.isValid())
        return;
    const juce::Rectangle<int> from(source.getX() >> level, source.getY() >> level,
                                    std::max(1, source.getWidth() >> level),
                                    std::max(1, source.getHeight() >> level));

    const juce::Graphics::ScopedSaveState saved(g);
    g.setImageResamplingQuality(juce::Graphics::highResamplingQuality);
    g.setOpacity(std::min(alpha, 1.0f));
    g.drawImageTransformed(
        reduced.getClippedImage(from),
        juce::AffineTransform::scale(dest.getWidth() / static_cast<float>(from.getWidth()),
                                     dest.getHeight() / static_cast<float>(from.getHeight()))
            .translated(dest.getX(), dest.getY()));
}

void drawBitmapStretched(juce::Graphics& g, const juce::Image& image, juce::Rectangle<float> rect,
                         float alpha)
{
    if (!image.isValid() || image.getWidth() <= 0 || image.getHeight() <= 0)
        return;
    drawImageRegion(g, image, image.getBounds(), rect, alpha);
}

void drawCardBackground(juce::Graphics& g, juce::Rectangle<float> rect)
{
    if (!isUsable(rect))
        return;
    g.setColour(kBlack);
    g.fillRoundedRectangle(rect, 8.0f);
}

void drawTextLine(juce::Graphics& g, const std::string& text, const juce::Font& font,
                  juce::Colour colour, juce::Rectangle<float> rect,
                  juce::Justification justification)
{
    if (text.empty() || !isUsable(rect))
        return;
    const juce::String line = juce::String::fromUTF8(text.c_str());
    g.setFont(font);
    g.setColour(colour);
    const float baseline = rect.getCentreY() + (font.getAscent() - font.getDescent()) * 0.5f;
    float x = rect.getX();
    if (justification.testFlags(juce::Justification::horizontallyCentred))
        x = rect.getCentreX() - font.getStringWidthFloat(line) * 0.5f;
    else if (justification.testFlags(juce::Justification::right))
        x = rect.getRight() - font.getStringWidthFloat(line);
    g.drawSingleLineText(line, juce::roundToInt(x), juce::roundToInt(baseline));
}

juce::Colour withAlphaByte(juce::Colour colour, float alpha)
{
    const float a = std::isfinite(alpha) ? juce::jlimit(0.0f, 1.0f, alpha) : 0.0f;
    return colour.withAlpha(static_cast<juce::uint8>(std::lround(a * 255.0f)));
}

} // namespace Ryvel::ui
