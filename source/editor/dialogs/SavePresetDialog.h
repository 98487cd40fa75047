// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Save Preset" card: a title, a name field and Cancel/Save buttons. A refused or failed save
// keeps the dialog open and outlines the name field in the accent colour.

#include "editor/dialogs/ModalDialog.h"

#include <functional>
#include <string>

namespace Ryvel
{

namespace ui
{
class PillTextEdit;
class TextButton;
} // namespace ui

class SavePresetDialog final : public ModalDialog
{
public:
    static constexpr std::int32_t kNameFieldTag = 0x70000020;
    static constexpr std::int32_t kSaveTag = 0x70000021;
    static constexpr std::int32_t kCancelTag = 0x70000022;

    using SaveCallback = std::function<bool(const std::string& name)>;

    SavePresetDialog(juce::Rectangle<int> bounds, const std::string& title,
                     const std::string& initialName, SaveCallback onSave,
                     std::function<void()> onCancel);

    void commit();
    void cancel();
    void focusEdit();

    ui::PillTextEdit* nameField() const { return field; }
    ui::TextButton* saveButton() const { return save; }
    ui::TextButton* cancelButton() const { return cancelBtn; }
    bool isRefused() const { return refused; }

    void valueChanged(ui::Control* control) override;

private:
    ui::PillTextEdit* field = nullptr;
    ui::TextButton* save = nullptr;
    ui::TextButton* cancelBtn = nullptr;
    SaveCallback onSave;
    std::function<void()> onCancel;
    bool refused = false;
};

} // namespace Ryvel
