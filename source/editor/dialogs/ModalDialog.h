// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The shared shape of the editor's modal views: a transparent view over the whole editor that
// draws one rounded card. A press inside the card is handled normally; a press outside it
// dismisses the dialog. The dialog owns its child views.

#include "editor/ui/Control.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

namespace Ryvel
{

class ModalDialog : public juce::Component, public ui::ControlListener
{
public:
    // `bounds` is the editor's design rect; the card of `cardWidth` x `cardHeight` is centred.
    ModalDialog(juce::Rectangle<int> bounds, int cardWidth, int cardHeight,
                std::function<void()> onOutsideClick);
    ~ModalDialog() override;

    juce::Rectangle<int> cardRect() const { return card; }

    void paint(juce::Graphics& g) override;
    void mouseDown(const juce::MouseEvent& event) override;
    // The press rule in a form tests can drive without a window; true when handled.
    bool pressAt(juce::Point<int> position);

protected:
    // Adds a child positioned relative to the card's top-left corner.
    template <typename View> View* addToCard(std::unique_ptr<View> view)
    {
        View* raw = view.release();
        raw->setBounds(raw->getBounds().translated(card.getX(), card.getY()));
        addAndMakeVisible(raw);
        return raw;
    }

private:
    juce::Rectangle<int> card;
    std::function<void()> onOutsideClick;
};

} // namespace Ryvel
