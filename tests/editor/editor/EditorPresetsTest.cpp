// SPDX-License-Identifier: GPL-3.0-or-later
// Preset browsing, inline rename and randomize in the editor.

#include "EditorFixture.h"

#include "editor/Randomizer.h"
#include "editor/controls/PillTextEdit.h"
#include "editor/controls/PresetPill.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "editor/ui/UiTimer.h"
#include "presets/FactoryPresetsData.h"
#include "presets/PresetManager.h"

#include <cstddef>
#include <fstream>

using namespace Ryvel;
using namespace Ryvel::Testing;

namespace
{

struct MenuEntry
{
    std::string text;
    bool ticked;
    bool enabled;
};

std::vector<MenuEntry> entriesOf(const juce::PopupMenu& menu)
{
    std::vector<MenuEntry> out;
    for (juce::PopupMenu::MenuItemIterator it(menu); it.next();)
    {
        const auto& item = it.getItem();
        if (!item.isSeparator)
            out.push_back({item.text.toStdString(), item.isTicked, item.isEnabled});
    }
    return out;
}

const juce::PopupMenu* subMenu(const juce::PopupMenu& menu, const std::string& title)
{
    for (juce::PopupMenu::MenuItemIterator it(menu); it.next();)
        if (it.getItem().text.toStdString() == title)
            return it.getItem().subMenu.get();
    return nullptr;
}

std::vector<std::string> ticked(const juce::PopupMenu* menu)
{
    std::vector<std::string> out;
    for (const MenuEntry& e : entriesOf(*menu))
        if (e.ticked)
            out.push_back(e.text);
    return out;
}

class EditorPresets : public EditorFixture
{
protected:
    void saveUser(const std::string& name, double step0)
    {
        ParamMap map = PresetManager().defaultParams();
        map[0] = step0;
        ASSERT_TRUE(PresetManager().saveUserPreset(name, map));
    }
    std::string firstFactory() const { return FactoryPresetsData::all()[0].name; }
    std::string lastFactory() const
    {
        return FactoryPresetsData::all()[FactoryPresetsData::count() - 1].name;
    }
};

TEST_F(EditorPresets, AnEditedFactoryPresetKeepsItsNameButLosesItsPlace)
{
    ASSERT_TRUE(editor->loadFactoryPresetByName("Thumper"));
    EXPECT_EQ(editor->presetPillView()->getName(), "Thumper");
    EXPECT_EQ(ticked(subMenu(editor->buildPresetListMenu(), "Factory")),
              std::vector<std::string>{"Thumper"});

    ui::SoftKnob* k = editor->knob(128);
    k->setValue(0.3f);
    k->valueChanged();
    EXPECT_EQ(editor->presetPillView()->getName(), "Thumper");
    EXPECT_TRUE(ticked(subMenu(editor->buildPresetListMenu(), "Factory")).empty());
    editor->stepPreset(+1);
    EXPECT_EQ(editor->presetName(), firstFactory());
}

TEST_F(EditorPresets, SteppingWrapsThroughFactoryAndUserPresets)
{
    saveUser("b", 1.0);
    saveUser("a", 0.0);
    struct Step
    {
        const char* from; // nullptr: keep the current preset
        bool fromFactory;
        int delta;
        std::string expected;
    };
    const std::string last = lastFactory();
    const Step steps[] = {
        {nullptr, false, +1, firstFactory()}, // from "Init": the first entry
        {nullptr, false, -1, "b"},            // and back around to the last user preset
        {"Init", false, -1, "b"},
        {"Random", false, +1, firstFactory()},
    };
    for (const Step& s : steps)
    {
        SCOPED_TRACE(s.expected);
        if (s.from != nullptr)
            editor->setCurrentPresetName(s.from, s.fromFactory);
        editor->stepPreset(s.delta);
        EXPECT_EQ(editor->presetName(), s.expected);
    }
    ASSERT_TRUE(editor->loadFactoryPresetByName(last));
    editor->stepPreset(+1);
    EXPECT_EQ(editor->presetName(), "a");
    EXPECT_FALSE(editor->isCurrentPresetFactory());
    EXPECT_EQ(controller->getParamNormalized(0), 0.0);
    editor->stepPreset(+1);
    EXPECT_EQ(editor->presetName(), "b");
    EXPECT_EQ(controller->getParamNormalized(0), 1.0);
    editor->stepPreset(+1);
    EXPECT_EQ(editor->presetName(), firstFactory());

    // A user file with no readable entry: nothing changes, and the next step starts from here.
    std::ofstream(presetFile("Presets", "a")) << "{\"params\": {}}";
    ASSERT_TRUE(editor->loadFactoryPresetByName(last));
    editor->stepPreset(+1);
    EXPECT_EQ(editor->presetName(), last);
    EXPECT_TRUE(editor->isCurrentPresetFactory());
}

TEST_F(EditorPresets, MenuListsFactoryAndUserPresetsWithOneCheckMark)
{
    juce::PopupMenu menu = editor->buildPresetListMenu();
    const auto top = entriesOf(menu);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].text, "Factory");
    EXPECT_EQ(top[1].text, "User");
    const auto factory = entriesOf(*subMenu(menu, "Factory"));
    ASSERT_EQ(factory.size(), static_cast<size_t>(FactoryPresetsData::count()));
    EXPECT_EQ(factory[0].text, firstFactory());
    const auto none = entriesOf(*subMenu(menu, "User"));
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].text, "(none saved)");
    EXPECT_FALSE(none[0].enabled);

    // A user preset named like a factory one is checked in the User submenu only.
    ParamMap map = PresetManager().defaultParams();
    ASSERT_TRUE(PresetManager::writePresetFile(presetFile("Presets", "Thumper"), map));
    ASSERT_TRUE(editor->loadUserPresetByName("Thumper"));
    menu = editor->buildPresetListMenu();
    EXPECT_TRUE(ticked(subMenu(menu, "Factory")).empty());
    EXPECT_EQ(ticked(subMenu(menu, "User")), std::vector<std::string>{"Thumper"});

    // Choosing an entry loads it.
    for (juce::PopupMenu::MenuItemIterator it(*subMenu(menu, "Factory")); it.next();)
        if (it.getItem().text == "Thumper")
            it.getItem().action();
    EXPECT_TRUE(editor->isCurrentPresetFactory());
}

TEST_F(EditorPresets, PresetMapsNeverMoveMixHpOrBypassAndUnknownIdsAreNoHostEdits)
{
    controller->setParamNormalized(kMixId, 0.3);
    controller->setParamNormalized(kHighPassId, 0.6);
    controller->setParamNormalized(kBypassId, 1.0);
    handler.events.clear();
    ParamMap map{{5, 1.0},           {40, 0.5},        {128, 1.7}, {kMixId, 0.9},
                 {kHighPassId, 0.1}, {kBypassId, 0.0}, {149, -0.5}};
    editor->applyPresetParams(map);
    EXPECT_EQ(controller->getParamNormalized(kMixId), 0.3);
    EXPECT_EQ(controller->getParamNormalized(kHighPassId), 0.6);
    EXPECT_EQ(controller->getParamNormalized(kBypassId), 1.0);
    EXPECT_EQ(controller->getParamNormalized(128), 1.0);
    EXPECT_EQ(controller->getParamNormalized(149), 0.0);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"begin 5", "perform 5 1", "end 5",
                                                        "begin 128", "perform 128 1", "end 128",
                                                        "begin 149", "perform 149 0", "end 149"}));
    EXPECT_EQ(editor->stepSwitch(0, 5)->getValue(), 1.0f);
    EXPECT_EQ(editor->knob(128)->getValue(), 1.0f);
}

TEST_F(EditorPresets, RenameTrimsRefusesFactoryNamesAndAlwaysBringsThePillBack)
{
    ui::PresetPill* pill = editor->presetPillView();
    struct Case
    {
        const char* typed;
        ui::PillTextEdit::EndReason how;
        const char* expected;
    };
    const Case cases[] = {
        {"  Night Drive  ", ui::PillTextEdit::EndReason::Return, "Night Drive"},
        {"Thumper", ui::PillTextEdit::EndReason::Return, "Night Drive"},
        {"   ", ui::PillTextEdit::EndReason::FocusLost, "Night Drive"},
        {"Dusk", ui::PillTextEdit::EndReason::FocusLost, "Dusk"},
        {"Dawn", ui::PillTextEdit::EndReason::Escape, "Dusk"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        click(*pill, true); // a double click reaches the rename
        ui::PillTextEdit* field = editor->renameFieldView();
        ASSERT_NE(field, nullptr);
        EXPECT_FALSE(pill->isVisible());
        EXPECT_EQ(field->getText().toStdString(), editor->presetName());
        field->setText(c.typed);
        field->onEditEnded(*field, c.how);
        runDeferred();
        EXPECT_EQ(editor->renameFieldView(), nullptr);
        EXPECT_TRUE(pill->isVisible());
        EXPECT_EQ(editor->presetName(), c.expected);
        EXPECT_EQ(pill->getName(), c.expected);
    }
    EXPECT_FALSE(editor->isCurrentPresetFactory());
    EXPECT_FALSE(std::filesystem::exists(presetFile("Presets", "Dusk")))
        << "renaming writes nothing";
}

TEST_F(EditorPresets, ASingleClickOpensTheListOnlyAfterTheDoubleClickInterval)
{
    int menusShown = 0;
    editor->setMenuPresenter(
        [&](juce::PopupMenu, juce::Point<int> at)
        {
            ++menusShown;
            EXPECT_EQ(at, juce::Point<int>(335, 33)) << "left edge, two below the pill";
        });
    click(*editor->presetPillView());
    EXPECT_EQ(menusShown, 0);
    ASSERT_NE(editor->presetMenuDelayTimer(), nullptr);
    EXPECT_TRUE(editor->presetMenuDelayTimer()->isRunning());
    click(*editor->presetPillView(), true); // the second click of a double click
    EXPECT_FALSE(editor->presetMenuDelayTimer()->isRunning());
    EXPECT_NE(editor->renameFieldView(), nullptr);
    editor->finishPresetRename(false);

    click(*editor->presetPillView());
    editor->presetMenuDelayTimer()->fire();
    EXPECT_EQ(menusShown, 1);
}

TEST_F(EditorPresets, RandomizeShapesValuesAndNamesTheResultRandom)
{
    ASSERT_TRUE(editor->loadFactoryPresetByName("Thumper"));
    controller->setParamNormalized(kMixId, 0.42);
    controller->setParamNormalized(kHighPassId, 0.13);
    editor->randomizePreset();
    EXPECT_EQ(editor->presetName(), "Random");
    EXPECT_FALSE(editor->isCurrentPresetFactory());
    EXPECT_EQ(controller->getParamNormalized(kMixId), 0.42);
    EXPECT_EQ(controller->getParamNormalized(kHighPassId), 0.13);
    const ParamMap first = editor->currentState();
    for (const auto& [id, value] : first)
    {
        SCOPED_TRACE(id);
        if (id < 32)
            EXPECT_TRUE(value == 0.0 || value == 1.0);
        else if (findParam(id)->kind == ParamKind::Gain)
            EXPECT_TRUE(value >= 0.0 && value <= 0.7);
        else
            EXPECT_TRUE(value >= 0.0 && value <= 1.0);
    }
    editor->randomizePreset();
    EXPECT_NE(editor->currentState(), first);
}

TEST(Randomizer, DrawsFiftyTwoShapedValuesFromExactly104Outputs)
{
    std::mt19937 engine(12345);
    const ParamMap map = Randomizer::randomParams(engine);
    ASSERT_EQ(map.size(), 52u);
    std::mt19937 reference(12345);
    reference.discard(104);
    EXPECT_EQ(engine(), reference());

    // Worked out apart from this code base, from MT19937's reference algorithm.
    const std::string pattern = "01100000"
                                "01010000"
                                "00010000"
                                "10000000";
    for (ParamId id = 0; id < static_cast<ParamId>(kNumStepParams); ++id)
        EXPECT_EQ(map.at(id), pattern[id] == '1' ? 1.0 : 0.0) << "step " << id;
    const ParamKind kinds[] = {ParamKind::Gain, ParamKind::Pan, ParamKind::Drive, ParamKind::Filter,
                               ParamKind::Reso};
    const double voices[kNumVoices][5] = {
        {0.5753152507200385, 0.8994658920040066, 0.926612965736722, 0.9120851407941106,
         0.8280230447229349},
        {0.4592837103494374, 0.8119895637256768, 0.054588834637794244, 0.3205370278645951,
         0.05641976834205437},
        {0.4894652382394141, 0.4849452483691202, 0.4377468518441764, 0.6443773994946423,
         0.407888899256368},
        {0.390266025141245, 0.6934553786901547, 0.5871717225894745, 0.9556459187881671,
         0.0006057911211774567},
    };
    for (int v = 0; v < kNumVoices; ++v)
        for (std::size_t k = 0; k < std::size(kinds); ++k)
        {
            const ParamId id = voiceParamId(kinds[k], v);
            EXPECT_DOUBLE_EQ(map.at(id), voices[v][k]) << "parameter " << id;
        }
}

} // namespace
