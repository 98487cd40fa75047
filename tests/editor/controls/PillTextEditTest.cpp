// SPDX-License-Identifier: GPL-3.0-or-later
// The pill text field: how editing ends, and pasting.

#include "editor/controls/PillTextEdit.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace Ryvel::ui
{
namespace
{

using Reason = PillTextEdit::EndReason;

struct EndRecorder : ControlListener
{
    void valueChanged(Control*) override {}
    void textEditEnded(PillTextEdit* field, EditEndReason reason) override
    {
        endings.push_back(reason);
        texts.push_back(field->getTextUtf8());
    }
    std::vector<EditEndReason> endings;
    std::vector<std::string> texts;
};

juce::KeyPress key(int code, int modifiers = 0, juce::juce_wchar character = 0)
{
    return juce::KeyPress(code, juce::ModifierKeys(modifiers), character);
}

TEST(PillTextEdit, ReturnEscapeAndFocusLossAreToldApartAndReportedOnce)
{
    EndRecorder listener;
    PillTextEdit field({335, 9, 144, 22}, &listener, 0x70000013, "Init");
    std::vector<Reason> viaCallback;
    field.onEditEnded = [&](PillTextEdit&, Reason r) { viaCallback.push_back(r); };

    EXPECT_TRUE(field.keyPressed(key(juce::KeyPress::returnKey)));
    // The field losing focus as it is taken down is part of the same ending.
    field.focusLost(juce::Component::focusChangedDirectly);
    EXPECT_TRUE(field.keyPressed(key(juce::KeyPress::escapeKey)));
    field.focusLost(juce::Component::focusChangedByMouseClick);
    field.focusGained(juce::Component::focusChangedByMouseClick);
    field.focusLost(juce::Component::focusChangedByMouseClick);

    const std::vector<Reason> expected{Reason::Return, Reason::Escape, Reason::FocusLost};
    EXPECT_EQ(listener.endings, expected);
    EXPECT_EQ(viaCallback, expected);
    EXPECT_EQ(listener.texts.front(), "Init");
}

TEST(PillTextEdit, AnOwnerMayDeleteTheFieldWhenItEnds)
{
    struct Owner : ControlListener
    {
        void valueChanged(Control*) override {}
        void textEditEnded(PillTextEdit*, EditEndReason) override { field.reset(); }
        std::unique_ptr<PillTextEdit> field;
    } owner;
    owner.field =
        std::make_unique<PillTextEdit>(juce::Rectangle<int>(0, 0, 100, 22), &owner, 1, "x");
    bool callbackRan = false;
    owner.field->onEditEnded = [&](PillTextEdit&, Reason) { callbackRan = true; };
    EXPECT_TRUE(owner.field->keyPressed(key(juce::KeyPress::returnKey)));
    EXPECT_EQ(owner.field, nullptr);
    EXPECT_FALSE(callbackRan);
}

TEST(PillTextEdit, PasteKeepsTheFirstLineAndReplacesTheWholeText)
{
    struct Case
    {
        const char* clipboard;
        const char* result;
    };
    for (const Case c :
         {Case{"Deep Space\nsecond line", "Deep Space"}, Case{"\nstarts with a break", ""},
          Case{"tab\tcut", "tab"}, Case{"Échos \xE2\x80\x94 long", "Échos \xE2\x80\x94 long"},
          Case{"plain", "plain"}})
    {
        SCOPED_TRACE(c.clipboard);
        PillTextEdit field({0, 0, 144, 22}, nullptr, 1, "Old name");
        field.setClipboardSource([&] { return std::optional<std::string>(c.clipboard); });
        EXPECT_TRUE(field.pasteFromClipboard());
        EXPECT_EQ(field.getTextUtf8(), c.result);
    }
}

TEST(PillTextEdit, NothingToPasteLeavesTextAndKeyAlone)
{
    for (const std::optional<std::string>& clip :
         {std::optional<std::string>(), std::optional<std::string>("")})
    {
        PillTextEdit field({0, 0, 144, 22}, nullptr, 1, "Keep");
        field.setClipboardSource([&] { return clip; });
        EXPECT_FALSE(field.pasteFromClipboard());
        // Unconsumed, and not handed to JUCE's own paste either.
        EXPECT_FALSE(field.keyPressed(key('V', juce::ModifierKeys::ctrlModifier, 'v')));
        EXPECT_EQ(field.getTextUtf8(), "Keep");
    }
    // Without a window there is no system clipboard to read.
    PillTextEdit windowless({0, 0, 144, 22}, nullptr, 1, "Keep");
    EXPECT_FALSE(windowless.pasteFromClipboard());
}

TEST(PillTextEdit, PasteKeyIsCtrlOrCmdWithVAndNeverWithAlt)
{
    using M = juce::ModifierKeys;
    struct Case
    {
        int modifiers;
        int code;
        juce::juce_wchar character;
        bool paste;
    };
    for (const Case c :
         {Case{M::ctrlModifier, 'V', 'v', true},
          Case{M::ctrlModifier | M::shiftModifier, 'V', 'V', true},
          Case{M::commandModifier, 'V', 0x16, true}, Case{M::ctrlModifier, 'v', 0, true},
          Case{M::ctrlModifier | M::altModifier, 'V', 'v', false},
          Case{M::commandModifier | M::altModifier, 'V', 'v', false}, Case{0, 'V', 'v', false},
          Case{M::shiftModifier, 'V', 'V', false}, Case{M::ctrlModifier, 'C', 'c', false}})
    {
        SCOPED_TRACE(testing::Message() << "modifiers " << c.modifiers << " key " << c.code);
        EXPECT_EQ(PillTextEdit::isPasteKey(key(c.code, c.modifiers, c.character)), c.paste);
    }

    PillTextEdit field({0, 0, 144, 22}, nullptr, 1, "Old");
    field.setClipboardSource([] { return std::optional<std::string>("New"); });
    EXPECT_TRUE(field.keyPressed(key('V', M::ctrlModifier, 'v')));
    EXPECT_EQ(field.getTextUtf8(), "New");
}

} // namespace
} // namespace Ryvel::ui
