// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The about card: product, version, maker, a link to the vendor's site and the copyright line.

#include "editor/dialogs/ModalDialog.h"

#include <functional>
#include <string>

namespace Ryvel
{

namespace ui
{
class TextButton;
}

class AboutDialog final : public ModalDialog
{
public:
    static constexpr std::int32_t kLinkTag = 0x70000040;
    static constexpr std::int32_t kCloseTag = 0x70000041;

    AboutDialog(juce::Rectangle<int> bounds, const std::string& version,
                std::function<void()> onClose);

    ui::TextButton* linkButton() const { return link; }
    ui::TextButton* closeButton() const { return close; }

    void valueChanged(ui::Control* control) override;

private:
    ui::TextButton* link = nullptr;
    ui::TextButton* close = nullptr;
    std::function<void()> onClose;
};

} // namespace Ryvel
