// SPDX-License-Identifier: GPL-3.0-or-later
// The actions menu, deferred actions and the three modal dialogs.

#include "editor/RyvelEditor.h"

#include "editor/dialogs/AboutDialog.h"
#include "editor/dialogs/SavePresetDialog.h"
#include "editor/dialogs/UpdateCheckDialog.h"
#include "platform/PlatformServices.h"
#include "platform/UpdateChecker.h"
#include "shell/ProductInfo.h"

#include <cmath>

namespace Ryvel
{

namespace
{

struct SizeEntry
{
    const char* title;
    double zoom;
};
// "100%" is the default zoom of 1.25, not 1.0.
constexpr SizeEntry kSizes[] = {{"100%", 1.25}, {"125%", 1.5}, {"150%", 1.75}};

std::string siteUrl(std::string_view path)
{
    return "https://" + std::string(Product::kWebHost) + std::string(path);
}

juce::Rectangle<int> designRect()
{
    return {0, 0, EditorFrame::kEditorWidth, EditorFrame::kEditorHeight};
}

// A dialog runs in a modal session of the frame, which owns and removes it. Without a session
// the dialog is released at once and its pointer cleared, so it can be opened again.
template <typename Dialog>
bool beginModal(EditorFrame& frame, std::unique_ptr<Dialog> dialog, Dialog*& pointer,
                std::optional<std::uint32_t>& session)
{
    pointer = dialog.get();
    session = frame.beginModalViewSession(std::move(dialog));
    if (!session)
    {
        pointer = nullptr;
        return false;
    }
    pointer->repaint();
    return true;
}

template <typename Dialog>
void endModal(EditorFrame* frame, Dialog*& pointer, std::optional<std::uint32_t>& session)
{
    if (pointer == nullptr || frame == nullptr)
        return;
    if (session)
        frame->endModalViewSession(*session);
    session.reset();
    pointer = nullptr;
}

} // namespace

// One one-shot timer serves every deferred action; a later action replaces an earlier one that
// has not run yet. The timer belongs to the editor, so it can never fire into a dead editor.
void RyvelEditor::runDeferred(std::function<void()> action)
{
    deferredActionTimer = std::make_unique<ui::UiTimer>(1,
                                                        [this, action = std::move(action)]
                                                        {
                                                            deferredActionTimer->stop();
                                                            action();
                                                        });
    deferredActionTimer->start();
}

void RyvelEditor::presentMenu(juce::PopupMenu menu, juce::Component* anchor)
{
    // Below the anchor's left edge, two pixels down, in frame coordinates.
    const juce::Point<int> position =
        frame->getLocalPoint(anchor, juce::Point<int>(0, anchor->getHeight() + 2));
    if (menuPresenter)
    {
        menuPresenter(std::move(menu), position);
        return;
    }
    if (window == nullptr || !window->isOnDesktop())
        return;
    const juce::Point<int> screen = frame->localPointToGlobal(position);
    menu.setLookAndFeel(&window->getLookAndFeel());
    menu.showMenuAsync(
        juce::PopupMenu::Options()
            .withTargetScreenArea({screen.x, screen.y, 1, 1})
            .withPreferredPopupDirection(juce::PopupMenu::Options::PopupDirection::downwards));
}

juce::PopupMenu RyvelEditor::buildActionsMenu()
{
    juce::PopupMenu menu;
    menu.addItem("Init", [this] { initPreset(); });
    menu.addItem("Randomize", [this] { randomizePreset(); });
    menu.addItem("Save Preset...", [this] { runDeferred([this] { openSaveDialog(); }); });
    menu.addItem("Open Preset Folder", [this] { openPresetFolder(); });
    juce::PopupMenu sizes;
    for (const SizeEntry& size : kSizes)
        sizes.addItem(size.title, true, std::fabs(size.zoom - zoom) < 0.01,
                      [this, z = size.zoom] { applyZoom(z); });
    menu.addSubMenu("Size", sizes);
    menu.addSeparator();
    menu.addItem("Manual", [] { openURLMac(siteUrl("/ryvel/manual")); });
    menu.addItem("Check for updates", [this] { runDeferred([this] { openUpdateCheckDialog(); }); });
    menu.addItem("About", [this] { runDeferred([this] { openAboutDialog(); }); });
    return menu;
}

void RyvelEditor::showActionsMenu(juce::Component* anchor)
{
    if (anchor == nullptr || frame == nullptr)
        return;
    presentMenu(buildActionsMenu(), anchor);
}

void RyvelEditor::openSaveDialog()
{
    if (frame == nullptr || saveDialog != nullptr)
        return;
    std::string proposal;
    if (currentPresetIsFactory)
        proposal = currentPresetName + " Custom";
    else if (currentPresetName != "Init" && currentPresetName != "Random")
        proposal = currentPresetName;

    auto onSave = [this](const std::string& name)
    {
        if (name.empty() || presetManager.isFactoryName(name))
            return false;
        // False also when the disk refuses the write; the previous file stays intact.
        if (!presetManager.saveUserPreset(name, currentState()))
            return false;
        setCurrentPresetName(name, false);
        runDeferred([this] { closeSaveDialog(); });
        return true;
    };
    auto onCancel = [this] { runDeferred([this] { closeSaveDialog(); }); };
    if (beginModal(*frame,
                   std::make_unique<SavePresetDialog>(designRect(), "Save Preset", proposal,
                                                      std::move(onSave), std::move(onCancel)),
                   saveDialog, saveSession))
        saveDialog->focusEdit();
}

void RyvelEditor::closeSaveDialog()
{
    endModal(frame.get(), saveDialog, saveSession);
}

void RyvelEditor::openAboutDialog()
{
    if (frame == nullptr || aboutDialog != nullptr)
        return;
    beginModal(*frame,
               std::make_unique<AboutDialog>(designRect(), std::string(Product::kVersion),
                                             [this]
                                             { runDeferred([this] { closeAboutDialog(); }); }),
               aboutDialog, aboutSession);
}

void RyvelEditor::closeAboutDialog()
{
    endModal(frame.get(), aboutDialog, aboutSession);
}

void RyvelEditor::openUpdateCheckDialog()
{
    if (frame == nullptr || updateDialog != nullptr)
        return;
    auto onClose = [this] { runDeferred([this] { closeUpdateCheckDialog(); }); };
    auto onDownload = [this]
    {
        std::string page = siteUrl("/downloads");
        if (updateChecker != nullptr && updateChecker->isDone())
            page = updateChecker->result().downloadUrl;
        openURLMac(page);
    };
    if (!beginModal(*frame,
                    std::make_unique<UpdateCheckDialog>(designRect(), std::move(onClose),
                                                        std::move(onDownload)),
                    updateDialog, updateSession))
        return;

    updateChecker = checkerFactory
                        ? checkerFactory()
                        : std::make_shared<UpdateChecker>(std::string(Product::kVersion));
    updateTimer = std::make_unique<ui::UiTimer>(100, [this] { pollUpdateCheck(); });
    updateTimer->start();
}

void RyvelEditor::pollUpdateCheck()
{
    if (updateDialog == nullptr || updateChecker == nullptr)
    {
        updateTimer.reset();
        return;
    }
    if (!updateChecker->isDone())
        return;
    updateTimer->stop();
    const UpdateChecker::Result result = updateChecker->result();
    if (result.status == UpdateChecker::kUpdateAvailable)
        updateDialog->showUpdateAvailable(result.latestVersion);
    else if (result.status == UpdateChecker::kUpToDate)
        updateDialog->showUpToDate(std::string(Product::kVersion));
    else
        updateDialog->showFailure();
}

void RyvelEditor::closeUpdateCheckDialog()
{
    updateTimer.reset();
    updateChecker.reset();
    endModal(frame.get(), updateDialog, updateSession);
}

} // namespace Ryvel
