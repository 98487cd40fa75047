// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's palette and the drawing helpers every custom control and modal view shares.
// Coordinates are design pixels; whatever zoom the editor applies is already in the Graphics
// transform. UI thread only.

#include <juce_graphics/juce_graphics.h>

#include <string>

namespace Ryvel::ui
{

inline const juce::Colour kAccent = juce::Colour::fromRGB(255, 58, 32);
inline const juce::Colour kOutlineGrey = juce::Colour::fromRGB(110, 104, 98);
inline const juce::Colour kOffFill = juce::Colour::fromRGB(22, 20, 18);
inline const juce::Colour kBlack = juce::Colour::fromRGB(0, 0, 0);

// A capsule filled with `fill` and a 2-pixel `frame` outline lying fully inside `rect`.
void drawPill(juce::Graphics& g, juce::Rectangle<float> rect, juce::Colour fill,
              juce::Colour frame);

// The whole of `image` scaled into `rect` at `alpha` (0..1); nothing for an invalid or empty
// image or an alpha of 0 or less. Large reductions go through a cached, box-filtered smaller
// copy of the image, because JUCE's bilinear resampling skips pixels beyond a factor of two.
void drawBitmapStretched(juce::Graphics& g, const juce::Image& image, juce::Rectangle<float> rect,
                         float alpha);

// The `source` part of `image` scaled into `dest`, with the same reduction handling.
void drawImageRegion(juce::Graphics& g, const juce::Image& image, juce::Rectangle<int> source,
                     juce::Rectangle<float> dest, float alpha);

// The modal views' card: a black rounded rectangle of radius 8.
void drawCardBackground(juce::Graphics& g, juce::Rectangle<float> rect);

// One line of text vertically centred in `rect`, placed horizontally by `justification`
// (left, centred or right) and never cut or squeezed: a readout wider than its rect overflows.
void drawTextLine(juce::Graphics& g, const std::string& text, const juce::Font& font,
                  juce::Colour colour, juce::Rectangle<float> rect,
                  juce::Justification justification);

// `colour` with its alpha replaced by round(alpha x 255), alpha clamped to 0..1.
juce::Colour withAlphaByte(juce::Colour colour, float alpha);

} // namespace Ryvel::ui
