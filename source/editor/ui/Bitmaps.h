// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bitmaps of the plug-in bundle. A bitmap that is missing or unreadable is an invalid
// juce::Image (width 0), which every user checks for before drawing. UI thread only.

#include <juce_graphics/juce_graphics.h>

#include <string>

namespace Ryvel::ui
{

// The bundle's resources folder, found from the module's own file (Contents/Resources of a
// VST 3 bundle, Resources of an LV2 bundle; see bundleResourcesFolder); empty when the module's
// path cannot be found.
std::string bundleResourcesDir();

// `fileName` (a PNG) from `resourcesDir`; an invalid image if either is empty, the file is
// missing or it does not decode. Use this rather than JUCE's image loaders: Debian's JUCE
// crashes on a damaged PNG.
juce::Image loadBitmap(const std::string& resourcesDir, const std::string& fileName);

// How often drawing may halve an image before scaling it (1/64 of its size at most).
inline constexpr int kMaxImageReduction = 6;

// `image` reduced to 1/2^level of its size by averaging 2x2 blocks (odd last rows and columns
// dropped, so regions at even multiples stay aligned); `level` 0 or less gives the image itself.
// Made once per image and level and kept while the image lives elsewhere or until JUCE shuts
// down; images are treated as immutable once drawn.
juce::Image reducedImage(const juce::Image& image, int level);

} // namespace Ryvel::ui
