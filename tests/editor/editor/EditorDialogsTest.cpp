// SPDX-License-Identifier: GPL-3.0-or-later
// The actions menu, the save dialog, the about view and the update dialog.

#include "EditorFixture.h"

#include "editor/controls/MenuButton.h"
#include "editor/controls/PillTextEdit.h"
#include "editor/controls/PresetPill.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/TextButton.h"
#include "editor/dialogs/AboutDialog.h"
#include "editor/dialogs/SavePresetDialog.h"
#include "editor/dialogs/UpdateCheckDialog.h"
#include "editor/ui/UiTimer.h"
#include "platform/UpdateChecker.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

using namespace Ryvel;
using namespace Ryvel::Testing;

namespace
{

juce::PopupMenu::Item itemNamed(const juce::PopupMenu& menu, const std::string& title)
{
    for (juce::PopupMenu::MenuItemIterator it(menu, true); it.next();)
        if (it.getItem().text.toStdString() == title)
            return it.getItem();
    ADD_FAILURE() << "no menu item " << title;
    return {};
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class EditorDialogs : public EditorFixture
{
protected:
    SavePresetDialog* openSave()
    {
        itemNamed(editor->buildActionsMenu(), "Save Preset...").action();
        EXPECT_EQ(editor->saveDialogView(), nullptr) << "opens only after the menu closed";
        runDeferred();
        return editor->saveDialogView();
    }
    void typeAndSave(SavePresetDialog* dialog, const std::string& name)
    {
        dialog->nameField()->setText(name);
        dialog->nameField()->onEditEnded(*dialog->nameField(), ui::PillTextEdit::EndReason::Return);
    }
};

TEST_F(EditorDialogs, ActionsMenuOffersItsEntriesInOrderWithTheSizeChecked)
{
    juce::Point<int> shownAt;
    editor->setMenuPresenter([&](juce::PopupMenu, juce::Point<int> at) { shownAt = at; });
    click(*editor->actionsButton());
    EXPECT_EQ(shownAt, juce::Point<int>(790, 33));

    std::vector<std::string> titles;
    const juce::PopupMenu menu = editor->buildActionsMenu();
    for (juce::PopupMenu::MenuItemIterator it(menu); it.next();)
        titles.push_back(it.getItem().isSeparator ? "-" : it.getItem().text.toStdString());
    EXPECT_EQ(titles,
              (std::vector<std::string>{"Init", "Randomize", "Save Preset...", "Open Preset Folder",
                                        "Size", "-", "Manual", "Check for updates", "About"}));

    const auto checkedSizes = [&]
    {
        std::vector<std::string> out;
        const juce::PopupMenu::Item size = itemNamed(editor->buildActionsMenu(), "Size");
        for (juce::PopupMenu::MenuItemIterator it(*size.subMenu); it.next();)
            if (it.getItem().isTicked)
                out.push_back(it.getItem().text.toStdString());
        return out;
    };
    EXPECT_EQ(checkedSizes(), std::vector<std::string>{"100%"});
    itemNamed(editor->buildActionsMenu(), "150%").action();
    Steinberg::ViewRect size;
    view->getSize(&size);
    EXPECT_EQ(size.getWidth(), 1470);
    EXPECT_EQ(size.getHeight(), 745);
    EXPECT_EQ(checkedSizes(), std::vector<std::string>{"150%"});
    itemNamed(editor->buildActionsMenu(), "125%").action();
    EXPECT_EQ(checkedSizes(), std::vector<std::string>{"125%"});
    editor->applyZoom(1.0);
    EXPECT_TRUE(checkedSizes().empty());

    itemNamed(editor->buildActionsMenu(), "Randomize").action();
    EXPECT_EQ(editor->presetName(), "Random");
    itemNamed(editor->buildActionsMenu(), "Init").action();
    EXPECT_EQ(editor->presetName(), "Init");
}

TEST_F(EditorDialogs, SaveProposesANameAndRefusesUntilItIsValid)
{
    ASSERT_TRUE(editor->loadFactoryPresetByName("Thumper"));
    SavePresetDialog* dialog = openSave();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameField()->getText(), "Thumper Custom");
    EXPECT_EQ(dialog->cardRect(), juce::Rectangle<int>::leftTopRightBottom(260, 147, 580, 279));
    // Return without editing saves the proposal.
    dialog->nameField()->onEditEnded(*dialog->nameField(), ui::PillTextEdit::EndReason::Return);
    EXPECT_TRUE(std::filesystem::exists(presetFile("Presets", "Thumper Custom")));
    runDeferred();
    EXPECT_EQ(editor->saveDialogView(), nullptr);
    EXPECT_EQ(editor->presetName(), "Thumper Custom");

    ASSERT_TRUE(editor->loadFactoryPresetByName("Thumper"));
    editor->knob(129)->setValue(0.1f);
    editor->knob(129)->valueChanged();
    dialog = openSave();
    EXPECT_EQ(dialog->nameField()->getText(), "Thumper");
    click(*dialog->saveButton());
    EXPECT_TRUE(dialog->isRefused()) << "a factory name is refused";
    EXPECT_EQ(editor->saveDialogView(), dialog);
    for (const char* bad : {"", "   ", " Thumper "})
    {
        SCOPED_TRACE(bad);
        typeAndSave(dialog, bad);
        runDeferred();
        EXPECT_EQ(editor->saveDialogView(), dialog);
    }
    // Escape and leaving the field do not save.
    dialog->nameField()->setText("Later");
    dialog->nameField()->onEditEnded(*dialog->nameField(), ui::PillTextEdit::EndReason::Escape);
    dialog->nameField()->onEditEnded(*dialog->nameField(), ui::PillTextEdit::EndReason::FocusLost);
    EXPECT_FALSE(std::filesystem::exists(presetFile("Presets", "Later")));

    typeAndSave(dialog, " Night Drive ");
    runDeferred();
    EXPECT_EQ(editor->saveDialogView(), nullptr);
    EXPECT_EQ(editor->presetName(), "Night Drive");
    EXPECT_TRUE(std::filesystem::exists(presetFile("Presets", "Night Drive")));

    dialog = openSave();
    EXPECT_EQ(dialog->nameField()->getText(), "Night Drive");
    typeAndSave(dialog, "A/B");
    runDeferred();
    EXPECT_TRUE(std::filesystem::exists(presetFile("Presets", "A_B")));
    EXPECT_EQ(editor->presetPillView()->getName(), "A/B");
}

TEST_F(EditorDialogs, SaveAfterInitStartsEmptyAndAClickOutsideCancels)
{
    SavePresetDialog* dialog = openSave();
    EXPECT_EQ(dialog->nameField()->getText(), "");
    click(*dialog->saveButton());
    EXPECT_TRUE(dialog->isRefused());

    EXPECT_FALSE(dialog->pressAt({300, 200})) << "the card's own background does nothing";
    EXPECT_EQ(editor->saveDialogView(), dialog);
    EXPECT_TRUE(dialog->pressAt({10, 10}));
    EXPECT_EQ(editor->saveDialogView(), dialog) << "closes after the click, not during it";
    runDeferred();
    EXPECT_EQ(editor->saveDialogView(), nullptr);

    dialog = openSave();
    click(*dialog->cancelButton());
    runDeferred();
    EXPECT_EQ(editor->saveDialogView(), nullptr);
}

TEST_F(EditorDialogs, AFailedWriteKeepsTheDialogOpenAndThePreviousFile)
{
    typeAndSave(openSave(), "Keep");
    runDeferred();
    const std::string before = readFile(presetFile("Presets", "Keep"));
    ASSERT_FALSE(before.empty());
    // The folder turns into something no file can be written into.
    const auto folder = std::filesystem::path(presetFile("Presets", "Keep")).parent_path();
    std::filesystem::rename(folder, folder.string() + ".moved");
    std::ofstream(folder.string()) << "not a folder";

    editor->knob(130)->setValue(0.9f);
    editor->knob(130)->valueChanged();
    SavePresetDialog* dialog = openSave();
    typeAndSave(dialog, "Keep");
    runDeferred();
    EXPECT_EQ(editor->saveDialogView(), dialog);
    EXPECT_TRUE(dialog->isRefused());
    std::filesystem::remove(folder);
    std::filesystem::rename(folder.string() + ".moved", folder);
    EXPECT_EQ(readFile(presetFile("Presets", "Keep")), before);
}

TEST_F(EditorDialogs, AboutOpensOnceShowsTheVersionAndClosesFromOutside)
{
    itemNamed(editor->buildActionsMenu(), "About").action();
    itemNamed(editor->buildActionsMenu(), "About").action();
    runDeferred();
    AboutDialog* about = editor->aboutDialogView();
    ASSERT_NE(about, nullptr);
    editor->openAboutDialog();
    EXPECT_EQ(editor->aboutDialogView(), about);
    EXPECT_EQ(editor->getFrame()->getNumChildComponents(), 3) << "header, body and one card";
    EXPECT_EQ(about->cardRect(), juce::Rectangle<int>::leftTopRightBottom(250, 113, 590, 313));
    EXPECT_FALSE(about->pressAt({260, 200}));
    EXPECT_TRUE(about->pressAt({5, 5}));
    runDeferred();
    EXPECT_EQ(editor->aboutDialogView(), nullptr);

    editor->openAboutDialog();
    click(*editor->aboutDialogView()->closeButton());
    runDeferred();
    EXPECT_EQ(editor->aboutDialogView(), nullptr);
}

// A stand-in for the network: the test decides when and what the server answers.
struct StandInServer : std::enable_shared_from_this<StandInServer>
{
    std::promise<std::string> answer;
    std::shared_future<std::string> body = answer.get_future().share();
    std::atomic<int> requests{0};

    std::shared_ptr<UpdateChecker> makeChecker()
    {
        // The worker may outlive the checker: it keeps the server alive itself.
        return std::make_shared<UpdateChecker>(
            "1.0.4", "updates.test",
            [self = shared_from_this()](const std::string&, const std::string&, std::int32_t)
            {
                ++self->requests;
                return self->body.get();
            });
    }
};

void waitDone(RyvelEditor& editor)
{
    for (int i = 0;
         i < 500 && editor.updatePollTimer() != nullptr && editor.updatePollTimer()->isRunning();
         ++i)
    {
        editor.pollUpdateCheck();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TEST_F(EditorDialogs, UpdateDialogGoesFromCheckingToOneFinalState)
{
    struct Case
    {
        std::string document;
        std::string body;
        bool download;
    };
    const Case cases[] = {
        {R"({"version": "1.0.4"})", "You're running the latest version (v1.0.4).", false},
        {R"({"version": "1.0.5", "url": "https://example.test/get"})",
         "A new version is available \xE2\x80\x94 v1.0.5.", true},
        {"", "Couldn't check for updates. Visit corvane-audio.com/downloads.", true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.body);
        auto server = std::make_shared<StandInServer>();
        editor->setCheckerFactory([server] { return server->makeChecker(); });
        itemNamed(editor->buildActionsMenu(), "Check for updates").action();
        runDeferred();
        UpdateCheckDialog* dialog = editor->updateDialogView();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->bodyText(), "Checking\xE2\x80\xA6");
        EXPECT_FALSE(dialog->downloadButton()->isVisible());
        editor->pollUpdateCheck();
        EXPECT_EQ(dialog->bodyText(), "Checking\xE2\x80\xA6");

        server->answer.set_value(c.document);
        waitDone(*editor);
        EXPECT_EQ(dialog->bodyText(), c.body);
        EXPECT_EQ(dialog->downloadButton()->isVisible(), c.download);

        EXPECT_TRUE(dialog->pressAt({5, 5}));
        runDeferred();
        EXPECT_EQ(editor->updateDialogView(), nullptr);
        EXPECT_EQ(editor->updatePollTimer(), nullptr);
    }
}

TEST_F(EditorDialogs, ReopeningTheUpdateDialogStartsANewCheck)
{
    auto server = std::make_shared<StandInServer>();
    editor->setCheckerFactory([server] { return server->makeChecker(); });
    editor->openUpdateCheckDialog();
    editor->closeUpdateCheckDialog();
    editor->openUpdateCheckDialog();
    EXPECT_EQ(editor->updateDialogView()->bodyText(), "Checking\xE2\x80\xA6");
    server->answer.set_value(R"({"version": "2.0.0"})");
    waitDone(*editor);
    EXPECT_EQ(server->requests.load(), 2);
    editor->close(); // closing the editor ends the dialog and the poll
    EXPECT_EQ(editor->updateDialogView(), nullptr);
}

// A stand-in for the desktop's opener, first on PATH: it records the address it was given.
class RecordingOpener
{
public:
    explicit RecordingOpener(const std::filesystem::path& folder) : log(folder / "opened.txt")
    {
        const auto script = folder / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log.string() << "'\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        savedPath = path != nullptr ? path : "/usr/bin:/bin";
        setenv("PATH", (folder.string() + ":" + savedPath).c_str(), 1);
    }
    ~RecordingOpener() { setenv("PATH", savedPath.c_str(), 1); }

    // The addresses opened so far, waiting (bounded) for `count` of them: the opener runs
    // detached from the editor.
    std::vector<std::string> opened(std::size_t count)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 500; ++i)
        {
            lines.clear();
            std::ifstream in(log);
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            if (lines.size() >= count)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }

private:
    std::filesystem::path log;
    std::string savedPath;
};

TEST_F(EditorDialogs, LinksOpenTheVendorPagesAndTheDocumentsDownloadAddress)
{
    RecordingOpener opener(home);
    itemNamed(editor->buildActionsMenu(), "Manual").action();
    editor->openAboutDialog();
    click(*editor->aboutDialogView()->linkButton());
    EXPECT_NE(editor->aboutDialogView(), nullptr) << "the about view stays open";

    auto server = std::make_shared<StandInServer>();
    editor->setCheckerFactory([server] { return server->makeChecker(); });
    editor->openUpdateCheckDialog();
    click(*editor->updateDialogView()->downloadButton()); // before the check is done
    server->answer.set_value(
        R"json({"version": "1.0.9", "url": "https://example.test/r;$(x)"})json");
    waitDone(*editor);
    click(*editor->updateDialogView()->downloadButton());

    // Each opener runs detached, so the order in which they write is the scheduler's.
    std::vector<std::string> opened = opener.opened(4);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{"https://corvane-audio.com",
                                                "https://corvane-audio.com/downloads",
                                                "https://corvane-audio.com/ryvel/manual",
                                                "https://example.test/r;$(x)"}));
}

// The toolkit runs a chosen entry from its message queue after the menu has gone, and the host
// may close or release the view in between: the entry must then reach nothing, and an entry of
// a menu shown before the editor was closed must not act on the editor opened again.
TEST_F(EditorDialogs, MenuEntriesChosenAfterTheEditorClosedDoNothing)
{
    RecordingOpener opener(home); // in case "Manual" or "Open Preset Folder" got through
    std::vector<std::function<void()>> entries;
    for (const juce::PopupMenu& menu : {editor->buildActionsMenu(), editor->buildPresetListMenu()})
        for (juce::PopupMenu::MenuItemIterator it(menu, true); it.next();)
            if (it.getItem().action)
                entries.push_back(it.getItem().action);
    ASSERT_GT(entries.size(), 11u) << "ten actions and the factory presets";
    const auto parameters = [this]
    {
        std::vector<double> values;
        for (const ParamInfo& info : kParams)
            values.push_back(controller->getParamNormalized(info.id));
        return values;
    };
    const std::vector<double> before = parameters();
    const double zoom = editor->getZoom();

    const auto chooseAll = [&](const char* when)
    {
        SCOPED_TRACE(when);
        for (const auto& entry : entries)
            entry();
        EXPECT_TRUE(handler.events.empty());
        EXPECT_EQ(parameters(), before);
    };
    editor->close();
    chooseAll("closed");
    EXPECT_EQ(editor->getZoom(), zoom);
    EXPECT_EQ(editor->deferredTimer(), nullptr) << "no dialog was scheduled";

    ASSERT_TRUE(editor->open(nullptr));
    chooseAll("opened again");
    EXPECT_EQ(editor->presetName(), "Init");
    EXPECT_EQ(editor->deferredTimer(), nullptr);

    // Freed: a dangling editor would show under AddressSanitizer.
    editor->close();
    view->release();
    view = nullptr;
    editor = nullptr;
    chooseAll("released");
}

} // namespace
