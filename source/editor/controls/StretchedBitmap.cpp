// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/StretchedBitmap.h"

#include "editor/ui/Drawing.h"

#include <utility>

namespace Ryvel::ui
{

StretchedBitmap::StretchedBitmap(juce::Rectangle<int> bounds, juce::Image bitmap)
    : bitmap(std::move(bitmap))
{
    setBounds(bounds);
    setInterceptsMouseClicks(false, false);
    setOpaque(this->bitmap.isValid() && !this->bitmap.hasAlphaChannel());
}

void StretchedBitmap::paint(juce::Graphics& g)
{
    drawBitmapStretched(g, bitmap, getLocalBounds().toFloat(), 1.0f);
}

} // namespace Ryvel::ui
