// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/dialogs/ModalDialog.h"

#include "editor/ui/Drawing.h"

namespace Ryvel
{

ModalDialog::ModalDialog(juce::Rectangle<int> bounds, int cardWidth, int cardHeight,
                         std::function<void()> onOutsideClick)
    : onOutsideClick(std::move(onOutsideClick))
{
    setBounds(bounds);
    const int w = bounds.getWidth();
    const int h = bounds.getHeight();
    card = juce::Rectangle<int>::leftTopRightBottom(w / 2 - cardWidth / 2, h / 2 - cardHeight / 2,
                                                    w / 2 + cardWidth / 2, h / 2 + cardHeight / 2);
}

ModalDialog::~ModalDialog()
{
    deleteAllChildren();
}

void ModalDialog::paint(juce::Graphics& g)
{
    ui::drawCardBackground(g, card.toFloat());
}

bool ModalDialog::pressAt(juce::Point<int> position)
{
    if (card.contains(position))
        return false;
    if (onOutsideClick)
        onOutsideClick();
    return true;
}

void ModalDialog::mouseDown(const juce::MouseEvent& event)
{
    pressAt(event.getPosition());
}

} // namespace Ryvel
