// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/dialogs/SavePresetDialog.h"
#include "editor/DesignRect.h"

#include "editor/TextLabel.h"
#include "editor/TextTrim.h"
#include "editor/controls/PillTextEdit.h"
#include "editor/controls/TextButton.h"
#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

namespace Ryvel
{

SavePresetDialog::SavePresetDialog(juce::Rectangle<int> bounds, const std::string& title,
                                   const std::string& initialName, SaveCallback onSave,
                                   std::function<void()> onCancel)
    : ModalDialog(bounds, 320, 132, [this] { cancel(); }), onSave(std::move(onSave)),
      onCancel(std::move(onCancel))
{
    addToCard(std::make_unique<TextLabel>(fromEdges(16, 12, 304, 30), title, ui::makeUiFont(11),
                                          ui::kOutlineGrey, juce::Justification::centredLeft));
    field = addToCard(std::make_unique<ui::PillTextEdit>(fromEdges(16, 40, 304, 70), this,
                                                         kNameFieldTag, initialName));
    field->setFont(ui::makeUiFont(11));
    field->setColour(juce::TextEditor::textColourId, ui::kAccent);
    field->applyColourToAllText(ui::kAccent);
    field->setIndents(12, 0);
    field->onEditEnded = [this](ui::PillTextEdit&, ui::PillTextEdit::EndReason reason)
    {
        // Only Return submits; leaving the field or Escape keeps the dialog as it is.
        if (reason == ui::PillTextEdit::EndReason::Return)
            commit();
    };
    save = addToCard(std::make_unique<ui::TextButton>(fromEdges(224, 90, 304, 116), this, kSaveTag,
                                                      "Save", true));
    cancelBtn = addToCard(std::make_unique<ui::TextButton>(fromEdges(136, 90, 216, 116), this,
                                                           kCancelTag, "Cancel", false));
}

void SavePresetDialog::commit()
{
    if (field == nullptr)
        return;
    const std::string name = trimWhitespace(field->getText().toStdString());
    if (onSave && onSave(name))
        return;
    refused = true;
    field->setFrameColour(ui::kAccent);
    field->repaint();
}

void SavePresetDialog::cancel()
{
    if (onCancel)
        onCancel();
}

void SavePresetDialog::focusEdit()
{
    if (field != nullptr && field->isShowing())
        field->grabKeyboardFocus();
}

void SavePresetDialog::valueChanged(ui::Control* control)
{
    if (control == save)
        commit();
    else if (control == cancelBtn)
        cancel();
}

} // namespace Ryvel
