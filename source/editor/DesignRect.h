// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_graphics/juce_graphics.h>

namespace Ryvel
{

// Layouts are written as (left, top, right, bottom) in design pixels.
inline juce::Rectangle<int> fromEdges(int left, int top, int right, int bottom)
{
    return juce::Rectangle<int>::leftTopRightBottom(left, top, right, bottom);
}

} // namespace Ryvel
