// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor as a VST 3 plug-in view: translates the host's IPlugView calls into the editor's
// and serves as the editor's host with the edit controller (values, edits, the knob mode),
// the processor's playhead value, the plug frame (window size) and the host's run loop.
// UI thread only, like everything the host calls on a view.

#include "editor/EditorHost.h"
#include "editor/RyvelEditor.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace Ryvel
{

class RyvelController;

class RyvelPlugView final : public Steinberg::Vst::EditorView,
                            public Steinberg::IPlugViewContentScaleSupport,
                            private EditorHost
{
public:
    explicit RyvelPlugView(RyvelController& controller);
    ~RyvelPlugView() override;
    RyvelPlugView(const RyvelPlugView&) = delete;
    RyvelPlugView& operator=(const RyvelPlugView&) = delete;

    // IPlugView
    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;

    // IPlugViewContentScaleSupport: the host's HiDPI factor multiplies the editor's own zoom.
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    // For tools and tests.
    RyvelEditor& editor() { return content; }

    OBJ_METHODS(RyvelPlugView, Steinberg::Vst::EditorView)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::IPlugViewContentScaleSupport)
    END_DEFINE_INTERFACES(Steinberg::Vst::EditorView)
    REFCOUNT_METHODS(Steinberg::Vst::EditorView)

private:
    // EditorHost
    double paramValue(ParamId id) const override;
    void beginEdit(ParamId id) override;
    bool setParam(ParamId id, double value) override;
    void performEdit(ParamId id, double value) override;
    void endEdit(ParamId id) override;
    std::int32_t playheadStep() const override;
    HostKnobMode knobMode() const override;
    void registerEditor(EditorLink* editor) override;
    void unregisterEditor(EditorLink* editor) override;
    bool requestResize(int width, int height) override;
    bool attachUiLoop(GuiToolkit::FrameListener& listener) override;
    void detachUiLoop(GuiToolkit::FrameListener& listener) override;

    void detachFromRunLoop();

    RyvelController& controller; // kept alive by EditorView's reference
    // The editor's frame listener while the host's run loop drives it.
    GuiToolkit::FrameListener* runLoopListener = nullptr;
    // Declared last, so destroyed first: it unregisters through the members above.
    RyvelEditor content;
};

} // namespace Ryvel
