// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An open editor without a window, in its VST 3 view: a real controller with a recording
// component handler, a temporary HOME, the built bundle's bitmaps, and synthesised pointer
// events.

#include "TestHost.h"

#include "editor/RyvelEditor.h"
#include "editor/ui/Control.h"
#include "formats/vst3/RyvelController.h"
#include "formats/vst3/RyvelPlugView.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Ryvel::Testing
{

// Everything the host hears from the controller, in order: "begin 21", "perform 21 1", "end 21".
class RecordingHandler final : public TestHost::HostObject<Steinberg::Vst::IComponentHandler>
{
public:
    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue value) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32) override
    {
        return Steinberg::kResultOk;
    }
    std::vector<std::string> events;
};

class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A click on a control: press, then release at the same point (control coordinates).
    static void click(ui::Control& control, bool doubleClick = false);
    // Runs the editor's pending one-shot deferred action.
    void runDeferred();
    std::string presetFile(const std::string& folder, const std::string& name) const;

    std::filesystem::path home;
    RyvelController* controller = nullptr;
    RyvelPlugView* view = nullptr;
    RyvelEditor* editor = nullptr; // the view's
    RecordingHandler handler;
};

} // namespace Ryvel::Testing
