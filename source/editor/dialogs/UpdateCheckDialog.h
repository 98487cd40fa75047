// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The update card: "Checking…" while the request runs, then up to date, a newer version with a
// button to the download page, or a failure (also with the button).

#include "editor/dialogs/ModalDialog.h"

#include <functional>
#include <string>

namespace Ryvel
{

class TextLabel;
namespace ui
{
class TextButton;
}

class UpdateCheckDialog final : public ModalDialog
{
public:
    static constexpr std::int32_t kDownloadTag = 0x70000042;
    static constexpr std::int32_t kCloseTag = 0x70000043;

    UpdateCheckDialog(juce::Rectangle<int> bounds, std::function<void()> onClose,
                      std::function<void()> onDownload);

    void setBodyText(const std::string& text);
    void setDownloadVisible(bool visible);
    void showChecking();
    void showUpToDate(const std::string& version);
    void showUpdateAvailable(const std::string& version);
    void showFailure();

    const std::string& bodyText() const;
    ui::TextButton* downloadButton() const { return download; }
    ui::TextButton* closeButton() const { return close; }

    void valueChanged(ui::Control* control) override;

private:
    TextLabel* body = nullptr;
    ui::TextButton* download = nullptr;
    ui::TextButton* close = nullptr;
    std::function<void()> onClose;
    std::function<void()> onDownload;
};

} // namespace Ryvel
