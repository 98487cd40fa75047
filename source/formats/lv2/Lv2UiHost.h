// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's host inside an LV2 UI: parameter values come from port events and go out as
// port writes (the float protocol), gestures become ui:touch grab and release when the host
// offers it (jalv does not), a new size goes to the host's ui:resize, and the toolkit runs from
// the host's idle calls. The playhead arrives as the value of its output port. UI thread only,
// like every call of an LV2 UI.

#include "editor/EditorHost.h"

#include <lv2/ui/ui.h>

#include <array>
#include <cstdint>

namespace Ryvel::Lv2
{

class Lv2UiHost final : public EditorHost
{
public:
    // `touch` and `resize` may be null: both features are optional.
    Lv2UiHost(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
              const LV2UI_Resize* resize);
    Lv2UiHost(const Lv2UiHost&) = delete;
    Lv2UiHost& operator=(const Lv2UiHost&) = delete;

    // LV2UI_Descriptor::port_event. Only the float protocol of the parameter and playhead
    // ports means anything; other ports, formats and sizes are ignored, and so are values that
    // are not finite.
    void portEvent(std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format,
                   const void* buffer);

    double paramValue(ParamId id) const override;
    void beginEdit(ParamId id) override;
    bool setParam(ParamId id, double value) override;
    void performEdit(ParamId id, double value) override;
    void endEdit(ParamId id) override;
    std::int32_t playheadStep() const override { return playhead; }
    // LV2 has no knob mode: the editor's own choice holds.
    HostKnobMode knobMode() const override { return HostKnobMode::NotSet; }
    void registerEditor(EditorLink* link) override { editor = link; }
    void unregisterEditor(EditorLink* link) override;
    bool requestResize(int width, int height) override;
    bool attachUiLoop(GuiToolkit::FrameListener& listener) override;
    void detachUiLoop(GuiToolkit::FrameListener& listener) override;

private:
    void touch(ParamId id, bool grabbed);

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    const LV2UI_Touch* touchFeature;
    const LV2UI_Resize* resizeFeature;
    // Normalised values in catalogue order, as the ports last reported or the editor last set.
    std::array<double, kNumParams> values{};
    std::int32_t playhead = -1;
    EditorLink* editor = nullptr; // not owning
};

} // namespace Ryvel::Lv2
