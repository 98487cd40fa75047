// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/dialogs/UpdateCheckDialog.h"
#include "editor/DesignRect.h"

#include "core/ProductInfo.h"
#include "editor/TextLabel.h"
#include "editor/controls/TextButton.h"
#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

namespace Ryvel
{

UpdateCheckDialog::UpdateCheckDialog(juce::Rectangle<int> bounds, std::function<void()> onClose,
                                     std::function<void()> onDownload)
    : ModalDialog(bounds, 380, 170, [this] { this->onClose(); }), onClose(std::move(onClose)),
      onDownload(std::move(onDownload))
{
    addToCard(std::make_unique<TextLabel>(fromEdges(16, 16, 364, 38), "Check for updates",
                                          ui::makeUiFont(12), ui::kAccent,
                                          juce::Justification::centredLeft));
    body = addToCard(std::make_unique<TextLabel>(
        fromEdges(16, 50, 364, 90), "",
        ui::pickFontFamily(ui::kCaptionFamilies, juce::Font::plain, 11.0f), ui::kOutlineGrey,
        juce::Justification::centredLeft));
    close = addToCard(std::make_unique<ui::TextButton>(fromEdges(284, 128, 364, 154), this,
                                                       kCloseTag, "Close", false));
    download = addToCard(std::make_unique<ui::TextButton>(fromEdges(126, 128, 276, 154), this,
                                                          kDownloadTag, "Go to downloads", true));
    showChecking();
}

void UpdateCheckDialog::setBodyText(const std::string& text)
{
    body->setText(text);
    body->repaint();
}

const std::string& UpdateCheckDialog::bodyText() const
{
    return body->getText();
}

void UpdateCheckDialog::setDownloadVisible(bool visible)
{
    if (download->isVisible() == visible)
        return;
    download->setVisible(visible);
    download->repaint();
}

void UpdateCheckDialog::showChecking()
{
    setBodyText("Checking\xE2\x80\xA6");
    setDownloadVisible(false);
}

void UpdateCheckDialog::showUpToDate(const std::string& version)
{
    setBodyText("You're running the latest version (v" + version + ").");
    setDownloadVisible(false);
}

void UpdateCheckDialog::showUpdateAvailable(const std::string& version)
{
    setBodyText("A new version is available \xE2\x80\x94 v" + version + ".");
    setDownloadVisible(true);
}

void UpdateCheckDialog::showFailure()
{
    setBodyText("Couldn't check for updates. Visit " + std::string(Product::kWebHost) +
                "/downloads.");
    setDownloadVisible(true);
}

void UpdateCheckDialog::valueChanged(ui::Control* control)
{
    if (control == download && onDownload)
        onDownload();
    else if (control == close && onClose)
        onClose();
}

} // namespace Ryvel
