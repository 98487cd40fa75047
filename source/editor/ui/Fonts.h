// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fonts of the editor. Sizes are point sizes as in the design (the em size in design pixels):
// a size-9 font has a 9-pixel em, whatever ascent and descent its typeface adds.
//
// JUCE on Linux reads the system's font folders itself and never sees fonts registered with
// fontconfig, so the bundle's fonts (BundledFonts) are loaded here from their files into memory
// typefaces. Every font made here already carries its typeface, so drawing it never asks
// JUCE's default look-and-feel (which would create juce::Desktop). For fonts made by name
// elsewhere, RyvelLookAndFeel routes JUCE's typeface lookup through typefaceFor.

#include <juce_graphics/juce_graphics.h>

#include <array>
#include <cstddef>
#include <set>
#include <string>

namespace Ryvel::ui
{

inline constexpr const char* kUiFontFamily = "Barlow Condensed Medium";
// Tried in order, bold, when kUiFontFamily is not available.
inline constexpr std::array<const char*, 8> kUiFallbackFamilies = {
    "DIN",         "DIN Alternate",     "DIN Next",     "DIN Pro",
    "Bahnschrift", "Bahnschrift Light", "Arial Narrow", "Arial"};
// The captions' list, regular style.
inline constexpr std::array<const char*, 9> kCaptionFamilies = {
    "Barlow Condensed",  "DIN",          "DIN Alternate", "DIN Next", "DIN Pro", "Bahnschrift",
    "Bahnschrift Light", "Arial Narrow", "Arial"};

// The families JUCE can draw by name plus those the bundle registered (BundledFonts). The system
// part is enumerated once per process (until JUCE shuts down); bundled families registered
// later are included from then on. Any thread.
std::set<std::string> availableFontFamilies();

// The first of `families` that `available` contains, else the first of the list; empty only
// for an empty list.
std::string chooseFontFamily(const std::set<std::string>& available, const char* const* families,
                             std::size_t count);

// A font of the chosen family (see chooseFontFamily over availableFontFamilies) with
// `styleFlags` (juce::Font::plain, bold, ...) at point size `size`. A family that neither the
// bundle nor the system has is drawn with JUCE's default sans-serif typeface rather than blank.
juce::Font pickFontFamily(const char* const* families, std::size_t count, int styleFlags,
                          float size);
template <std::size_t N>
juce::Font pickFontFamily(const std::array<const char*, N>& families, int styleFlags, float size)
{
    return pickFontFamily(families.data(), N, styleFlags, size);
}

// The pills' and sliders' font: kUiFontFamily when available, else the fallback list in bold.
juce::Font makeUiFont(float size);

// The typeface JUCE should use for `font`'s family and style: a bundled typeface when the
// bundle has that family, the system's otherwise, the default sans-serif for an unknown
// family; null for JUCE's placeholder names ("<Sans-Serif>", ...), which JUCE resolves itself.
juce::Typeface::Ptr typefaceFor(const juce::Font& font);

} // namespace Ryvel::ui
