// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A one-line text field drawn as a pill (the inline preset rename, the save dialog's name).
// Return, Escape and focus loss end the editing and are reported apart, to the listener and to
// onEditEnded. Ctrl (or Cmd) + V without Alt replaces the whole text with the clipboard's first
// line. UI thread only.
//
// Unlike the other controls this is JUCE's TextEditor, which cannot be constructed without
// juce::Desktop (it asks the default look-and-feel for its caret): create it in an open editor.

#include "editor/ui/Control.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace Ryvel::ui
{

class PillTextEdit : public juce::TextEditor
{
public:
    using EndReason = EditEndReason;

    PillTextEdit(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                 std::string initialText);

    std::int32_t getTag() const { return tag; }
    std::string getTextUtf8() const { return getText().toStdString(); }

    // Called after the listener; may delete the field.
    std::function<void(PillTextEdit&, EndReason)> onEditEnded;

    // Replaces the whole text with the clipboard's text up to its first control character
    // (byte 31 or below; UTF-8 passes). False, text unchanged, when there is no clipboard (no
    // window) or no text on it.
    bool pasteFromClipboard();

    // Where paste reads from; std::nullopt means "no clipboard". Replaces the system clipboard,
    // which needs a window, e.g. in tests.
    void setClipboardSource(std::function<std::optional<std::string>()> source);

    // Ctrl or Cmd (either), no Alt, and "v", "V" or its control character 0x16; Shift ignored.
    static bool isPasteKey(const juce::KeyPress& key);

    bool keyPressed(const juce::KeyPress& key) override;
    void focusGained(FocusChangeType cause) override;
    void focusLost(FocusChangeType cause) override;
    void paint(juce::Graphics& g) override;

    // The outline: grey normally, the accent where a refused entry must be visible.
    void setFrameColour(juce::Colour colour)
    {
        frameColour = colour;
        repaint();
    }
    juce::Colour getFrameColour() const { return frameColour; }

private:
    void endEditing(EndReason reason);

    ControlListener* listener;
    std::int32_t tag;
    std::function<std::optional<std::string>()> clipboardSource;
    // Return and Escape are followed by the focus loss of the field being taken down; that one
    // is not a second ending.
    bool endedByKey = false;
    juce::Colour frameColour = juce::Colour::fromRGB(110, 104, 98);
};

} // namespace Ryvel::ui
