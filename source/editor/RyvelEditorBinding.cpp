// SPDX-License-Identifier: GPL-3.0-or-later
// Controls to parameters and back, and the playhead display.
//
// A user change of a parameter control is one complete host edit (begin, set, perform, end) per
// reported value. Values the host side accepts come back through updateControlFromParam, which
// leaves a control alone when it already shows the value, so nothing echoes.

#include "editor/RyvelEditor.h"

#include "core/ParameterLaws.h"
#include "editor/controls/LabelSlider.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "editor/controls/TabPill.h"

#include <cmath>

namespace Ryvel
{

namespace
{

// Until the host has chosen a mode the knobs keep their vertical drag, which a linear mode
// also gives: Linux hosts rarely choose one, and knobs that turned circular on their own would
// surprise their users.
ui::SoftKnob::DragMode dragModeFor(HostKnobMode mode)
{
    switch (mode)
    {
    case HostKnobMode::Circular:
        return ui::SoftKnob::DragMode::Circular;
    case HostKnobMode::RelativeCircular:
        return ui::SoftKnob::DragMode::RelativeCircular;
    case HostKnobMode::Linear:
    case HostKnobMode::NotSet:
        break;
    }
    return ui::SoftKnob::DragMode::Vertical;
}

} // namespace

ui::SoftKnob* RyvelEditor::knob(ParamId id) const
{
    const ParamInfo* info = findParam(id);
    if (info == nullptr || info->voice < 0)
        return nullptr;
    const auto v = static_cast<size_t>(info->voice);
    switch (info->kind)
    {
    case ParamKind::Gain:
        return gainKnobs[v];
    case ParamKind::Pan:
        return panKnobs[v];
    case ParamKind::Drive:
        return driveKnobs[v];
    case ParamKind::Filter:
        return filterKnobs[v];
    case ParamKind::Reso:
        return resoKnobs[v];
    default:
        return nullptr;
    }
}

void RyvelEditor::valueChanged(ui::Control* control)
{
    if (control == nullptr)
        return;
    if (control == tab)
    {
        selectTab(tab->getSelectedPage());
        return;
    }
    if (handleHeaderControl(control))
        return;

    // Only registered parameters become host edits; any other tag stays inside the editor.
    const auto id = static_cast<ParamId>(control->getTag());
    if (control->getTag() < 0 || !isKnownParam(id))
        return;
    const auto value = static_cast<double>(control->getValue());
    host.beginEdit(id);
    host.setParam(id, value);
    host.performEdit(id, value);
    host.endEdit(id);
    currentPresetIsFactory = false;
}

void RyvelEditor::updateControlFromParam(ParamId id, double value)
{
    if (!std::isfinite(value))
        return;
    if (id < static_cast<ParamId>(kNumStepParams))
    {
        ui::SoftSwitch* sw = stepSwitches[id];
        if (sw == nullptr)
            return;
        const bool on = Laws::switchOn(value);
        if (on == Laws::switchOn(sw->getValue()))
            return;
        sw->setValue(on ? 1.0f : 0.0f);
        sw->invalid();
        return;
    }
    ui::Control* target = knob(id);
    if (id == kMixId)
        target = mix;
    else if (id == kHighPassId)
        target = highpass;
    if (target == nullptr)
        return;
    if (std::fabs(static_cast<double>(target->getValue()) - value) > 1e-6)
    {
        target->setValue(static_cast<float>(value));
        target->invalid();
    }
}

void RyvelEditor::knobModeChanged(HostKnobMode mode)
{
    const ui::SoftKnob::DragMode drag = dragModeFor(mode);
    for (const auto* knobs : {&gainKnobs, &panKnobs, &filterKnobs, &resoKnobs, &driveKnobs})
        for (ui::SoftKnob* k : *knobs)
            if (k != nullptr)
                k->setDragMode(drag);
}

void RyvelEditor::syncGridFromController()
{
    for (ParamId id = 0; id < static_cast<ParamId>(kNumStepParams); ++id)
    {
        ui::SoftSwitch* sw = stepSwitches[id];
        if (sw == nullptr)
            continue;
        const double value = host.paramValue(id);
        sw->setValue(Laws::switchOn(value) ? 1.0f : 0.0f);
        sw->invalid();
    }
}

void RyvelEditor::syncKnobsFromController()
{
    for (ParamKind kind :
         {ParamKind::Gain, ParamKind::Pan, ParamKind::Filter, ParamKind::Reso, ParamKind::Drive})
        for (int v = 0; v < kNumVoices; ++v)
        {
            const ParamId id = voiceParamId(kind, v);
            ui::SoftKnob* k = knob(id);
            if (k == nullptr)
                continue;
            k->setValue(static_cast<float>(host.paramValue(id)));
            k->invalid();
        }
}

void RyvelEditor::pollPlayhead()
{
    const std::int32_t step = host.playheadStep();
    if (step < 0 || step >= kNumSteps || step == lastPlayheadStep)
        return;
    lastPlayheadStep = step;
    for (int v = 0; v < kNumVoices; ++v)
        if (ui::SoftSwitch* sw = stepSwitch(v, step); sw != nullptr && sw->getValue() >= 0.5f)
            sw->triggerFlash();
}

} // namespace Ryvel
