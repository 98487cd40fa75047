// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/EditorHost.h"

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
    // IEditController2: recorded per instance (the SDK base keeps one mode for the whole
    // process) and passed on to the open editor at once. kResultFalse for a mode the SDK does
    // not define, which changes nothing.
    Steinberg::tresult PLUGIN_API setKnobMode(Steinberg::Vst::KnobMode mode) override;
    HostKnobMode hostKnobMode() const { return knobMode; }

    // Checked versions of base queries: the base reads parameters and units by index with a
    // throwing lookup, writes through out-pointers unchecked and accepts any unit or bus.
    // Indexes out of range, unknown units, program lists and bus kinds, and null pointers
    // answer kInvalidArgument; an unknown parameter ID answers kResultFalse, as the base does.
    Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                   Steinberg::Vst::ParameterInfo& info) override;
    Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID tag,
                                                        Steinberg::Vst::ParamValue valueNormalized,
                                                        Steinberg::Vst::String128 string) override;
    Steinberg::tresult PLUGIN_API
    getParamValueByString(Steinberg::Vst::ParamID tag, Steinberg::Vst::TChar* string,
                          Steinberg::Vst::ParamValue& valueNormalized) override;
    Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                              Steinberg::Vst::UnitInfo& info) override;
    Steinberg::tresult PLUGIN_API
    getProgramListInfo(Steinberg::int32 listIndex, Steinberg::Vst::ProgramListInfo& info) override;
    Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::CString attributeId,
                                                 Steinberg::Vst::String128 attributeValue) override;
    Steinberg::tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                                      Steinberg::int32 programIndex,
                                                      Steinberg::int16 midiPitch,
                                                      Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
    Steinberg::tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                               Steinberg::Vst::BusDirection dir,
                                               Steinberg::int32 busIndex, Steinberg::int32 channel,
                                               Steinberg::Vst::UnitID& unitId) override;
    Steinberg::tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                                     Steinberg::int32 programIndex,
                                                     Steinberg::IBStream* data) override;
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

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
    bool hasUnit(Steinberg::Vst::UnitID unitId) const;
    bool hasProgram(Steinberg::Vst::ProgramListID listId, Steinberg::int32 programIndex) const;

    EditorLink* editor = nullptr; // not owning
    HostKnobMode knobMode = HostKnobMode::NotSet;
};

} // namespace Ryvel
