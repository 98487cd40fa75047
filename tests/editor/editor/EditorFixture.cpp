// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorFixture.h"

#include "editor/ui/UiTimer.h"

#include <cstdlib>
#include <unistd.h>

using namespace Steinberg;

namespace Ryvel::Testing
{

namespace
{
std::string number(double v)
{
    std::string s = std::to_string(v);
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s;
}
} // namespace

tresult PLUGIN_API RecordingHandler::beginEdit(Vst::ParamID id)
{
    events.push_back("begin " + std::to_string(id));
    return kResultOk;
}

tresult PLUGIN_API RecordingHandler::performEdit(Vst::ParamID id, Vst::ParamValue value)
{
    events.push_back("perform " + std::to_string(id) + " " + number(value));
    return kResultOk;
}

tresult PLUGIN_API RecordingHandler::endEdit(Vst::ParamID id)
{
    events.push_back("end " + std::to_string(id));
    return kResultOk;
}

void EditorFixture::SetUp()
{
    static int counter = 0;
    home = std::filesystem::temp_directory_path() /
           ("ryvel-editor-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);

    controller = new RyvelController();
    ASSERT_EQ(controller->initialize(nullptr), kResultOk);
    controller->setComponentHandler(&handler);
    view = new RyvelPlugView(*controller);
    editor = &view->editor();
    editor->setResourcesDir(std::string(RYVEL_TEST_BUNDLE) + "/Contents/Resources");
    ASSERT_TRUE(editor->open(nullptr));
}

void EditorFixture::TearDown()
{
    if (view != nullptr)
    {
        editor->close();
        view->release();
    }
    if (controller != nullptr)
    {
        controller->terminate();
        controller->release();
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

void EditorFixture::click(ui::Control& control, bool doubleClick)
{
    ui::PointerEvent event =
        ui::PointerEvent::at(control.getWidth() / 2.0f, control.getHeight() / 2.0f);
    event.doubleClick = doubleClick;
    control.onMouseDown(event);
    control.onMouseUp(event);
}

void EditorFixture::runDeferred()
{
    if (ui::UiTimer* timer = editor->deferredTimer(); timer != nullptr && timer->isRunning())
        timer->fire();
}

std::string EditorFixture::presetFile(const std::string& folder, const std::string& name) const
{
    return (home / "Documents" / "Corvane Audio" / "Ryvel" / folder / (name + ".json")).string();
}

} // namespace Ryvel::Testing
