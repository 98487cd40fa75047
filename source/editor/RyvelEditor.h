// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The plug-in's editor window: the frame with its bitmaps, fonts and timers, the binding
// between controls and parameters, and the playhead display. It knows nothing of the plug-in
// format it runs in: values, edits, the playhead, the window size and the UI loop all go through
// the EditorHost that each format's adapter implements.
//
// Coordinates are design pixels (840 x 426 at zoom 1); the whole frame is scaled by the zoom
// and by the host's content scale. UI thread only.

#include "editor/EditorFrame.h"
#include "editor/EditorHost.h"
#include "editor/GuiToolkit.h"
#include "editor/ui/Control.h"
#include "editor/ui/UiTimer.h"
#include "presets/ParamMap.h"
#include "presets/PresetManager.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Ryvel
{

class ViewContainer;
class SavePresetDialog;
class AboutDialog;
class UpdateCheckDialog;
class UpdateChecker;
namespace ui
{
class SoftSwitch;
class SoftKnob;
class LabelSlider;
class PresetPill;
class TabPill;
class MenuButton;
class ChevronButton;
class DicePill;
class PillTextEdit;
} // namespace ui

class RyvelEditor final : public EditorLink,
                          public ui::ControlListener,
                          private GuiToolkit::FrameListener
{
public:
    static constexpr int kEditorWidth = EditorFrame::kEditorWidth;
    static constexpr int kEditorHeight = EditorFrame::kEditorHeight;

    // Header control tags: outside the parameter ID range, recognised by identity.
    static constexpr std::int32_t kTabTag = 0x70000010;
    static constexpr std::int32_t kPresetPillTag = 0x70000011;
    static constexpr std::int32_t kMenuTag = 0x70000012;
    static constexpr std::int32_t kRenameFieldTag = 0x70000013;
    static constexpr std::int32_t kPreviousTag = 0x70000014;
    static constexpr std::int32_t kNextTag = 0x70000015;
    static constexpr std::int32_t kDiceTag = 0x70000016;

    // `host` outlives the editor.
    explicit RyvelEditor(EditorHost& host);
    ~RyvelEditor();
    RyvelEditor(const RyvelEditor&) = delete;
    RyvelEditor& operator=(const RyvelEditor&) = delete;

    // Builds the frame and all views inside `parent` (an X11 window ID), or off-screen when
    // `parent` is null (tools and tests). Closes first if already open. In a window it runs on
    // the host's UI loop, and refuses to open when the host has none to offer. An open editor
    // is registered with the host for value changes.
    bool open(void* parent);
    // Ends dialogs, menus and timers, unregisters and leaves the host's UI loop.
    void close();
    bool isOpen() const { return frame != nullptr; }

    // The window's pixel size is the design size times the zoom times the host's content scale
    // (its HiDPI factor), each side truncated. Changing either while open asks the host for the
    // new size; the zoom is also saved as the one the next editor opens at.
    void setContentScale(double scale);
    void applyZoom(double z);
    double getZoom() const { return zoom; }
    int viewWidth() const;
    int viewHeight() const;
    // The host has given the window this pixel size (it may differ from the one asked for).
    void setWindowSize(int width, int height);
    // The toolkit's X window (as void*) of the open editor's top-level component; null while
    // closed or off-screen.
    void* nativeWindow() const;

    void selectTab(int tab);

    // Parameter binding and playhead.
    void valueChanged(ui::Control* control) override;
    void updateControlFromParam(ParamId id, double value) override;
    // Every knob follows at once (a drag in progress keeps its mode until released).
    void knobModeChanged(HostKnobMode mode) override;
    void syncGridFromController();
    void syncKnobsFromController();
    void pollPlayhead();

    // Preset browsing. A preset in the editor is a name and a flag; applying one sets
    // parameters, and only the name and flag remember where they came from.
    void setCurrentPresetName(const std::string& name, bool isFactory);
    ParamMap currentState() const;
    void applyPresetParams(const ParamMap& params);
    void initPreset();
    bool loadFactoryPresetByName(const std::string& name);
    bool loadUserPresetByName(const std::string& name);
    void stepPreset(int delta);
    juce::PopupMenu buildPresetListMenu();
    void showPresetListMenu(juce::Component* anchor);
    void startPresetRename();
    void finishPresetRename(bool commit);
    void openPresetFolder();
    void randomizePreset();

    // Actions menu and modal dialogs. Entries that open a dialog run deferred, after the menu
    // has closed; dialogs close deferred, after the event that closes them.
    juce::PopupMenu buildActionsMenu();
    void showActionsMenu(juce::Component* anchor);
    void openSaveDialog();
    void closeSaveDialog();
    void openAboutDialog();
    void closeAboutDialog();
    void openUpdateCheckDialog();
    void pollUpdateCheck();
    void closeUpdateCheckDialog();

    // Seams for tools and tests: how menus are shown (by default a pop-up at the given frame
    // position) and how an update check is made (by default against the vendor's site).
    using MenuPresenter = std::function<void(juce::PopupMenu menu, juce::Point<int> framePos)>;
    void setMenuPresenter(MenuPresenter presenter) { menuPresenter = std::move(presenter); }
    using CheckerFactory = std::function<std::shared_ptr<UpdateChecker>()>;
    void setCheckerFactory(CheckerFactory factory) { checkerFactory = std::move(factory); }

    // Where the bitmaps come from; empty (the default) means the module's own bundle.
    void setResourcesDir(std::string dir) { resourcesDir = std::move(dir); }

    // For tools and tests: the frame (null while closed) and its rendering at the current scale.
    EditorFrame* getFrame() const { return frame.get(); }
    juce::Image renderSnapshot();
    ui::SoftSwitch* stepSwitch(int voice, int step) const;
    ui::SoftKnob* knob(ParamId id) const;
    ui::LabelSlider* mixSlider() const { return mix; }
    ui::LabelSlider* highpassSlider() const { return highpass; }
    ui::TabPill* tabPill() const { return tab; }
    juce::Component* patternPageView() const;
    juce::Component* controlPageView() const;
    bool isCurrentPresetFactory() const { return currentPresetIsFactory; }
    const std::string& presetName() const { return currentPresetName; }
    ui::PresetPill* presetPillView() const { return presetPill; }
    ui::PillTextEdit* renameFieldView() const { return renameField; }
    ui::DicePill* diceButton() const { return dice; }
    ui::ChevronButton* chevron(int direction) const
    {
        return direction < 0 ? previousButton : nextButton;
    }
    ui::MenuButton* actionsButton() const { return menuButton; }
    SavePresetDialog* saveDialogView() const { return saveDialog; }
    AboutDialog* aboutDialogView() const { return aboutDialog; }
    UpdateCheckDialog* updateDialogView() const { return updateDialog; }
    ui::UiTimer* deferredTimer() const { return deferredActionTimer.get(); }
    ui::UiTimer* presetMenuDelayTimer() const { return presetMenuTimer.get(); }
    ui::UiTimer* updatePollTimer() const { return updateTimer.get(); }

private:
    // The playhead is polled once per frame of the host's UI loop (every 20 ms).
    void onFrame() override;
    double effectiveScale() const { return zoom * contentScale; }
    void loadBitmaps();
    void buildUI();
    void rescale();
    bool handleHeaderControl(ui::Control* control);
    void runDeferred(std::function<void()> action);
    void presentMenu(juce::PopupMenu menu, juce::Component* anchor);
    // A menu entry's action. The toolkit runs it from its message queue after the menu has
    // gone, when this editor may be closed or deleted: it holds the open editor only weakly and
    // does nothing once that has gone.
    std::function<void()> whileOpen(std::function<void(RyvelEditor&)> action) const;
    void dismissMenus();

    EditorHost& host;
    PresetManager presetManager;
    std::string currentPresetName = "Init";
    bool currentPresetIsFactory = false;
    double zoom = 1.0;
    double contentScale = 1.0;

    ui::PillTextEdit* renameField = nullptr;
    SavePresetDialog* saveDialog = nullptr;
    std::optional<std::uint32_t> saveSession;
    AboutDialog* aboutDialog = nullptr;
    std::optional<std::uint32_t> aboutSession;
    UpdateCheckDialog* updateDialog = nullptr;
    std::optional<std::uint32_t> updateSession;
    std::shared_ptr<UpdateChecker> updateChecker;
    std::unique_ptr<ui::UiTimer> updateTimer;
    std::unique_ptr<ui::UiTimer> presetMenuTimer;
    MenuPresenter menuPresenter;
    std::string resourcesDir;
    CheckerFactory checkerFactory;

    std::unique_ptr<ui::UiTimer> deferredActionTimer;
    // Exists from open to close; menu actions hold it weakly (see whileOpen).
    std::shared_ptr<RyvelEditor*> openToken;
    // The pop-up menus this editor has shown (the top-level window of each; its submenus go
    // with it); close dismisses those still open, and no other editor's.
    std::vector<juce::Component::SafePointer<juce::Component>> shownMenus;
    std::int32_t lastPlayheadStep = -1;

    std::unique_ptr<juce::Component> window; // the platform view (pixel size)
    std::unique_ptr<EditorFrame> frame;      // design coordinates, inside the window
    bool uiLoopAttached = false;

    struct Bitmaps
    {
        juce::Image background, buttonOff, buttonOn, buttonPressed, buttonActive, knobStrip,
            iconPtrnIdle, iconPtrnActive, iconCtrlIdle, iconCtrlActive;
    } bitmaps;

    ui::PresetPill* presetPill = nullptr;
    ui::TabPill* tab = nullptr;
    ui::MenuButton* menuButton = nullptr;
    ui::LabelSlider* mix = nullptr;
    ui::LabelSlider* highpass = nullptr;
    ui::ChevronButton* previousButton = nullptr;
    ui::ChevronButton* nextButton = nullptr;
    ui::DicePill* dice = nullptr;
    ViewContainer* patternPage = nullptr;
    ViewContainer* controlPage = nullptr;
    std::array<ui::SoftSwitch*, 32> stepSwitches{};
    std::array<ui::SoftKnob*, 4> gainKnobs{}, panKnobs{}, filterKnobs{}, resoKnobs{}, driveKnobs{};
};

} // namespace Ryvel
