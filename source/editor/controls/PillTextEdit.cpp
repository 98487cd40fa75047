// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/PillTextEdit.h"

#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

#include <utility>

namespace Ryvel::ui
{
namespace
{
constexpr int kTextLeft = 11;
constexpr float kFontSize = 10.0f;
} // namespace

PillTextEdit::PillTextEdit(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                           std::string initialText)
    : listener(listener), tag(tag)
{
    setBounds(bounds);
    setMultiLine(false);
    setReturnKeyStartsNewLine(false);
    setScrollbarsShown(false);
    setPopupMenuEnabled(false);
    setBorder({});
    setIndents(kTextLeft, 0);
    setJustification(juce::Justification::centredLeft);
    // No frame and no background: the pill drawn in paint() is the field's whole look.
    const juce::Colour transparent = juce::Colours::transparentBlack;
    setColour(backgroundColourId, transparent);
    setColour(outlineColourId, transparent);
    setColour(focusedOutlineColourId, transparent);
    setColour(shadowColourId, transparent);
    setFont(makeUiFont(kFontSize));
    setText(juce::String::fromUTF8(initialText.c_str()), false);
}

void PillTextEdit::setClipboardSource(std::function<std::optional<std::string>()> source)
{
    clipboardSource = std::move(source);
}

bool PillTextEdit::pasteFromClipboard()
{
    std::optional<std::string> clip;
    if (clipboardSource)
        clip = clipboardSource();
    else if (getPeer() != nullptr)
        clip = juce::SystemClipboard::getTextFromClipboard().toStdString();
    if (!clip || clip->empty())
        return false;
    std::string line = std::move(*clip);
    for (std::size_t i = 0; i < line.size(); ++i)
        if (static_cast<unsigned char>(line[i]) <= 31)
        {
            line.erase(i);
            break;
        }
    setText(juce::String::fromUTF8(line.c_str()), true);
    moveCaretToEnd();
    return true;
}

bool PillTextEdit::isPasteKey(const juce::KeyPress& key)
{
    const auto mods = key.getModifiers();
    if (!(mods.isCtrlDown() || mods.isCommandDown()) || mods.isAltDown())
        return false;
    const auto isV = [](juce::juce_wchar c) { return c == 'v' || c == 'V' || c == 0x16; };
    return isV(key.getTextCharacter()) || isV(static_cast<juce::juce_wchar>(key.getKeyCode()));
}

bool PillTextEdit::keyPressed(const juce::KeyPress& key)
{
    endedByKey = false;
    if (key.getKeyCode() == juce::KeyPress::returnKey)
    {
        endEditing(EndReason::Return);
        return true;
    }
    if (key.getKeyCode() == juce::KeyPress::escapeKey)
    {
        endEditing(EndReason::Escape);
        return true;
    }
    // A paste with nothing to paste stays unconsumed and must not reach JUCE's own paste either.
    if (isPasteKey(key))
        return pasteFromClipboard();
    return juce::TextEditor::keyPressed(key);
}

void PillTextEdit::focusGained(FocusChangeType cause)
{
    endedByKey = false;
    juce::TextEditor::focusGained(cause);
}

void PillTextEdit::focusLost(FocusChangeType cause)
{
    juce::TextEditor::focusLost(cause);
    if (!endedByKey)
        endEditing(EndReason::FocusLost);
}

void PillTextEdit::endEditing(EndReason reason)
{
    endedByKey = reason != EndReason::FocusLost;
    // Either callee may delete this field: keep what the second needs first.
    const juce::Component::SafePointer<PillTextEdit> alive(this);
    const auto callback = onEditEnded;
    if (listener != nullptr)
        listener->textEditEnded(this, reason);
    if (alive != nullptr && callback)
        callback(*this, reason);
}

void PillTextEdit::paint(juce::Graphics& g)
{
    drawPill(g, getLocalBounds().toFloat(), kBlack, frameColour);
}

} // namespace Ryvel::ui
