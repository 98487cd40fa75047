// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/dialogs/AboutDialog.h"
#include "editor/DesignRect.h"

#include "core/ProductInfo.h"
#include "editor/TextLabel.h"
#include "editor/controls/TextButton.h"
#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"
#include "platform/PlatformServices.h"

namespace Ryvel
{

AboutDialog::AboutDialog(juce::Rectangle<int> bounds, const std::string& version,
                         std::function<void()> onClose)
    : ModalDialog(bounds, 340, 200, [this] { this->onClose(); }), onClose(std::move(onClose))
{
    const auto label = [this](juce::Rectangle<int> r, std::string text, juce::Font font)
    {
        addToCard(std::make_unique<TextLabel>(r, std::move(text), std::move(font), ui::kOutlineGrey,
                                              juce::Justification::centred));
    };
    label(fromEdges(16, 18, 324, 40), std::string(Product::kName), ui::makeUiFont(14));
    label(fromEdges(16, 44, 324, 62), "v" + version, ui::makeUiFont(11));
    label(fromEdges(16, 68, 324, 86), std::string(Product::kVendorFullName), ui::makeUiFont(11));
    link = addToCard(std::make_unique<ui::TextButton>(fromEdges(90, 96, 250, 122), this, kLinkTag,
                                                      std::string(Product::kWebHost), true));
    label(fromEdges(16, 134, 324, 152),
          "\xC2\xA9 2026 " + std::string(Product::kVendorFullName) + ". All rights reserved.",
          ui::pickFontFamily(ui::kCaptionFamilies, juce::Font::plain, 9.0f));
    close = addToCard(std::make_unique<ui::TextButton>(fromEdges(244, 158, 324, 184), this,
                                                       kCloseTag, "Close", false));
}

void AboutDialog::valueChanged(ui::Control* control)
{
    if (control == link)
        openURLMac("https://" + std::string(Product::kWebHost));
    else if (control == close && onClose)
        onClose();
}

} // namespace Ryvel
