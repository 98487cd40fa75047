// SPDX-License-Identifier: GPL-3.0-or-later
// Preset browsing, inline rename and randomize.

#include "editor/RyvelEditor.h"

#include "editor/Randomizer.h"
#include "editor/TextTrim.h"
#include "editor/ViewContainer.h"
#include "editor/controls/ChevronButton.h"
#include "editor/controls/DicePill.h"
#include "editor/controls/MenuButton.h"
#include "editor/controls/PillTextEdit.h"
#include "editor/controls/PresetPill.h"
#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"
#include "platform/PlatformServices.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Ryvel
{

namespace
{

// How long a first click on the preset pill waits for a second one before the list opens: the
// open menu would otherwise take the second click and the rename could never be reached.
int doubleClickIntervalMs()
{
    return juce::MouseEvent::getDoubleClickTimeout();
}

} // namespace

bool RyvelEditor::handleHeaderControl(ui::Control* control)
{
    if (control == presetPill)
    {
        if (presetPill->wasDoubleClick())
        {
            if (presetMenuTimer != nullptr)
                presetMenuTimer->stop();
            startPresetRename();
        }
        else
        {
            if (presetMenuTimer == nullptr)
                presetMenuTimer = std::make_unique<ui::UiTimer>(doubleClickIntervalMs(),
                                                                [this]
                                                                {
                                                                    presetMenuTimer->stop();
                                                                    showPresetListMenu(presetPill);
                                                                });
            presetMenuTimer->start();
        }
        return true;
    }
    if (control == menuButton)
    {
        showActionsMenu(menuButton);
        return true;
    }
    if (control == previousButton || control == nextButton)
    {
        stepPreset(control == previousButton ? -1 : 1);
        return true;
    }
    if (control == dice)
    {
        randomizePreset();
        return true;
    }
    return false;
}

void RyvelEditor::setCurrentPresetName(const std::string& name, bool isFactory)
{
    currentPresetName = name;
    currentPresetIsFactory = isFactory;
    if (presetPill != nullptr)
    {
        presetPill->setName(name);
        presetPill->invalid();
    }
}

ParamMap RyvelEditor::currentState() const
{
    ParamMap map;
    const auto value = [this](ParamId id) { return host.paramValue(id); };
    for (int v = 0; v < kNumVoices; ++v)
        for (int s = 0; s < kNumSteps; ++s)
            map[stepId(v, s)] = value(stepId(v, s));
    for (int v = 0; v < kNumVoices; ++v)
        for (ParamKind kind : {ParamKind::Gain, ParamKind::Pan, ParamKind::Filter, ParamKind::Reso,
                               ParamKind::Drive})
            map[voiceParamId(kind, v)] = value(voiceParamId(kind, v));
    return map;
}

void RyvelEditor::applyPresetParams(const ParamMap& params)
{
    for (const auto& [id, raw] : params)
    {
        // A hand-edited file must not move the mix, the high-pass or the bypass.
        if (id == kMixId || id == kHighPassId || id == kBypassId || !std::isfinite(raw))
            continue;
        const double value = std::clamp(raw, 0.0, 1.0);
        if (!isKnownParam(id))
        {
            // Offered to the host side, which refuses it; never a host edit.
            host.setParam(id, value);
            continue;
        }
        host.beginEdit(id);
        host.setParam(id, value);
        host.performEdit(id, value);
        host.endEdit(id);
    }
    syncGridFromController();
    syncKnobsFromController();
}

void RyvelEditor::initPreset()
{
    applyPresetParams(presetManager.defaultParams());
    setCurrentPresetName("Init", false);
}

bool RyvelEditor::loadFactoryPresetByName(const std::string& name)
{
    const std::optional<ParamMap> params = presetManager.loadFactoryPreset(name);
    if (!params)
        return false;
    applyPresetParams(*params);
    setCurrentPresetName(name, true);
    return true;
}

bool RyvelEditor::loadUserPresetByName(const std::string& name)
{
    const std::optional<ParamMap> params = presetManager.loadUserPreset(name);
    if (!params)
        return false;
    applyPresetParams(*params);
    setCurrentPresetName(name, false);
    return true;
}

void RyvelEditor::stepPreset(int delta)
{
    struct Entry
    {
        std::string name;
        bool factory;
    };
    std::vector<Entry> list;
    for (const std::string& name : presetManager.listFactoryPresets())
        list.push_back({name, true});
    for (const std::string& name : presetManager.listUserPresets())
        list.push_back({name, false});
    if (list.empty())
        return;

    int current = delta < 1 ? 0 : -1;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].factory == currentPresetIsFactory && list[i].name == currentPresetName)
        {
            current = static_cast<int>(i);
            break;
        }
    const int n = static_cast<int>(list.size());
    const Entry& next = list[static_cast<std::size_t>(((current + delta) % n + n) % n)];
    if (next.factory)
        loadFactoryPresetByName(next.name);
    else
        loadUserPresetByName(next.name);
}

juce::PopupMenu RyvelEditor::buildPresetListMenu()
{
    juce::PopupMenu factory;
    for (const std::string& name : presetManager.listFactoryPresets())
        factory.addItem(juce::String::fromUTF8(name.c_str()), true,
                        currentPresetIsFactory && name == currentPresetName,
                        whileOpen([name](RyvelEditor& e) { e.loadFactoryPresetByName(name); }));

    juce::PopupMenu user;
    const std::vector<std::string> userNames = presetManager.listUserPresets();
    if (userNames.empty())
        user.addItem("(none saved)", false, false, nullptr);
    for (const std::string& name : userNames)
        user.addItem(juce::String::fromUTF8(name.c_str()), true,
                     !currentPresetIsFactory && name == currentPresetName,
                     whileOpen([name](RyvelEditor& e) { e.loadUserPresetByName(name); }));

    juce::PopupMenu root;
    root.addSubMenu("Factory", factory);
    root.addSubMenu("User", user);
    return root;
}

void RyvelEditor::showPresetListMenu(juce::Component* anchor)
{
    if (anchor == nullptr || frame == nullptr)
        return;
    presentMenu(buildPresetListMenu(), anchor);
}

void RyvelEditor::startPresetRename()
{
    if (presetPill == nullptr || renameField != nullptr || frame == nullptr)
        return;
    auto* parent = dynamic_cast<ViewContainer*>(presetPill->getParentComponent());
    if (parent == nullptr)
        return;

    renameField = parent->add(std::make_unique<ui::PillTextEdit>(
        presetPill->getBounds(), this, kRenameFieldTag, currentPresetName));
    renameField->setFont(ui::makeUiFont(9));
    renameField->setColour(juce::TextEditor::textColourId, ui::kAccent);
    renameField->applyColourToAllText(ui::kAccent);
    renameField->setFrameColour(ui::kAccent);
    renameField->setIndents(11, 0);
    renameField->onEditEnded = [this](ui::PillTextEdit&, ui::PillTextEdit::EndReason reason)
    {
        // Finishing deletes the field: leave its own event handling first.
        const bool commit = reason != ui::PillTextEdit::EndReason::Escape;
        runDeferred([this, commit] { finishPresetRename(commit); });
    };
    presetPill->setVisible(false);
    if (renameField->isShowing())
        renameField->grabKeyboardFocus();
    renameField->selectAll();
}

void RyvelEditor::finishPresetRename(bool commit)
{
    if (renameField == nullptr)
        return;
    const std::string text = commit ? trimWhitespace(renameField->getText().toStdString()) : "";
    ui::PillTextEdit* field = std::exchange(renameField, nullptr);
    delete field;
    if (commit && !text.empty() && text != currentPresetName && !presetManager.isFactoryName(text))
        setCurrentPresetName(text, false);
    if (presetPill != nullptr)
        presetPill->setVisible(true);
}

void RyvelEditor::openPresetFolder()
{
    openPathMac(presetManager.userPresetDir()); // created when missing
}

void RyvelEditor::randomizePreset()
{
    const std::optional<ParamMap> params = Randomizer::randomPresetParams();
    if (!params)
        return;
    applyPresetParams(*params);
    setCurrentPresetName("Random", false);
}

} // namespace Ryvel
