// SPDX-License-Identifier: GPL-3.0-or-later
// The actions menu, deferred actions and the three modal dialogs.

#include "editor/RyvelEditor.h"

#include "core/ProductInfo.h"
#include "editor/dialogs/AboutDialog.h"
#include "editor/dialogs/SavePresetDialog.h"
#include "editor/dialogs/UpdateCheckDialog.h"
#include "platform/PlatformServices.h"
#include "platform/UpdateChecker.h"

#include <cmath>
#include <utility>

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

std::function<void()> RyvelEditor::whileOpen(std::function<void(RyvelEditor&)> action) const
{
    return [open = std::weak_ptr<RyvelEditor*>(openToken), action = std::move(action)]
    {
        if (const std::shared_ptr<RyvelEditor*> editor = open.lock())
            action(**editor);
    };
}

// JUCE has no call that dismisses one particular pop-up menu: PopupMenu::dismissAllActiveMenus
// would close every menu in the process, another editor's too. Escape is the key every menu
// answers by closing itself and its submenus with nothing chosen, so each menu this editor
// still has open is sent one. A menu that has closed is no longer modal, or already deleted.
void RyvelEditor::dismissMenus()
{
    const std::vector<juce::Component::SafePointer<juce::Component>> menus =
        std::exchange(shownMenus, {});
    for (const auto& menu : menus)
        if (menu != nullptr && menu->isCurrentlyModal(false))
            menu->keyPressed(juce::KeyPress(juce::KeyPress::escapeKey));
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
    // The menu's window is not handed out: it is the modal component that showing it adds.
    auto* modal = juce::ModalComponentManager::getInstance();
    const int modalBefore = modal->getNumModalComponents();
    menu.showMenuAsync(
        juce::PopupMenu::Options()
            .withTargetScreenArea({screen.x, screen.y, 1, 1})
            .withPreferredPopupDirection(juce::PopupMenu::Options::PopupDirection::downwards));
    std::erase_if(shownMenus, [](const auto& shown) { return shown == nullptr; });
    if (modal->getNumModalComponents() > modalBefore)
        shownMenus.emplace_back(modal->getModalComponent(0));
}

juce::PopupMenu RyvelEditor::buildActionsMenu()
{
    juce::PopupMenu menu;
    // Entries that open a dialog defer it on the editor's own timer, which goes with the editor.
    const auto deferred = [this](void (RyvelEditor::*open)())
    { return whileOpen([open](RyvelEditor& e) { e.runDeferred([&e, open] { (e.*open)(); }); }); };
    menu.addItem("Init", whileOpen([](RyvelEditor& e) { e.initPreset(); }));
    menu.addItem("Randomize", whileOpen([](RyvelEditor& e) { e.randomizePreset(); }));
    menu.addItem("Save Preset...", deferred(&RyvelEditor::openSaveDialog));
    menu.addItem("Open Preset Folder", whileOpen([](RyvelEditor& e) { e.openPresetFolder(); }));
    juce::PopupMenu sizes;
    for (const SizeEntry& size : kSizes)
        sizes.addItem(size.title, true, std::fabs(size.zoom - zoom) < 0.01,
                      whileOpen([z = size.zoom](RyvelEditor& e) { e.applyZoom(z); }));
    menu.addSubMenu("Size", sizes);
    menu.addSeparator();
    menu.addItem("Manual", whileOpen([](RyvelEditor&) { openURLMac(siteUrl("/ryvel/manual")); }));
    menu.addItem("Check for updates", deferred(&RyvelEditor::openUpdateCheckDialog));
    menu.addItem("About", deferred(&RyvelEditor::openAboutDialog));
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
