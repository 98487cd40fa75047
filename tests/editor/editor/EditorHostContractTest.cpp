// SPDX-License-Identifier: GPL-3.0-or-later
// The editor against its host interface alone, as a format other than VST 3 drives it: what it
// asks of the host when it opens, changes size and closes.

#include "editor/EditorHost.h"
#include "editor/RyvelEditor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace Ryvel;

namespace
{

// Records the UI loop and size requests, in order, and who is registered.
class RecordingHost final : public EditorHost
{
public:
    double paramValue(ParamId id) const override { return defaultValue(id); }
    void beginEdit(ParamId) override {}
    bool setParam(ParamId, double) override { return true; }
    void performEdit(ParamId, double) override {}
    void endEdit(ParamId) override {}
    std::int32_t playheadStep() const override { return -1; }
    HostKnobMode knobMode() const override { return HostKnobMode::NotSet; }
    void registerEditor(EditorLink* editor) override { registered = editor; }
    void unregisterEditor(EditorLink* editor) override
    {
        if (registered == editor)
            registered = nullptr;
    }
    bool requestResize(int width, int height) override
    {
        calls.push_back("resize " + std::to_string(width) + " " + std::to_string(height));
        return true;
    }
    bool attachUiLoop(GuiToolkit::FrameListener&) override
    {
        calls.push_back("attach");
        return false; // as a host whose X server cannot be reached
    }
    void detachUiLoop(GuiToolkit::FrameListener&) override { calls.push_back("detach"); }

    EditorLink* registered = nullptr;
    std::vector<std::string> calls;
};

class EditorHostContract : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = std::filesystem::temp_directory_path() /
               ("ryvel-editor-host-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        editor = std::make_unique<RyvelEditor>(host);
        editor->setResourcesDir(std::string(RYVEL_TEST_BUNDLE) + "/Contents/Resources");
    }
    void TearDown() override
    {
        editor.reset();
        EXPECT_EQ(host.registered, nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    std::filesystem::path home;
    RecordingHost host;
    std::unique_ptr<RyvelEditor> editor;
};

TEST_F(EditorHostContract, AsksForItsPixelSizeOnlyWhileOpenAndRegistersOnlyThen)
{
    EXPECT_EQ(editor->viewWidth(), 1050); // nothing stored: zoom 1.25
    editor->applyZoom(1.5);
    EXPECT_EQ(editor->viewWidth(), 1260);
    EXPECT_EQ(editor->viewHeight(), 639);
    EXPECT_TRUE(host.calls.empty()) << "a closed editor has no window to resize";

    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(host.registered, static_cast<EditorLink*>(editor.get()));
    EXPECT_EQ(editor->nativeWindow(), nullptr) << "off-screen";
    editor->applyZoom(1.25);
    editor->setContentScale(2.0);
    EXPECT_EQ(editor->renderSnapshot().getWidth(), 2100);
    editor->close();
    EXPECT_EQ(host.registered, nullptr);
    editor->setContentScale(1.0);
    EXPECT_EQ(editor->viewWidth(), 1050);

    // Off-screen, the host's UI loop is never asked for.
    EXPECT_EQ(host.calls, (std::vector<std::string>{"resize 1050 532", "resize 2100 1065"}));
}

TEST_F(EditorHostContract, RefusesToOpenInAWindowWithoutTheHostsUiLoop)
{
    int parent = 0;
    EXPECT_FALSE(editor->open(&parent));
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(host.registered, nullptr);
    editor->close();
    EXPECT_EQ(host.calls, std::vector<std::string>{"attach"}) << "nothing to detach";
}

} // namespace
