// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/EditorLink.h"

#include "public.sdk/source/vst/vsteditcontroller.h"

namespace Ryvel
{

// Publishes the parameter catalogue to the host, mirrors the processor's state stream and
// forwards accepted values to the open editor. UI thread only.
class RyvelController : public Steinberg::Vst::EditControllerEx1
{
public:
    RyvelController() = default;
    ~RyvelController() override;
    RyvelController(const RyvelController&) = delete;
    RyvelController& operator=(const RyvelController&) = delete;

    static Steinberg::FUnknown* createInstance(void* context);

    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID tag,
                                                     Steinberg::Vst::ParamValue value) override;
    // A new editor for exactly "editor"; null for any other name.
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    // The module installs the editor's constructor here, so the controller library does not
    // depend on the GUI toolkit (tests and tools use it without one).
    using ViewFactory = Steinberg::IPlugView* (*)(RyvelController& controller);
    static void setViewFactory(ViewFactory factory);

    // The open editor registers itself when its window opens. Only the registered editor can
    // unregister, so a second view attached before the first was removed is not cut off.
    void registerEditor(EditorLink* editor) { this->editor = editor; }
    void unregisterEditor(EditorLink* editor)
    {
        if (this->editor == editor)
            this->editor = nullptr;
    }
    EditorLink* currentEditor() const { return editor; }

private:
    EditorLink* editor = nullptr; // not owning
};

} // namespace Ryvel
