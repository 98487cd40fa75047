// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the editor needs of the plug-in format it runs in, and nothing more: parameter values,
// edits with their gestures, the playhead, the host's knob mode, a new window size, and the
// host's UI loop. Each format's adapter implements it (VST 3: the edit controller, its component
// handler, the plug frame and IRunLoop; LV2: port writes, port events, ui:touch, ui:resize and
// idle calls), so the editor never sees a format type. UI thread only.

#include "core/ParameterCatalogue.h"
#include "editor/GuiToolkit.h"

#include <cstdint>

namespace Ryvel
{

// How the host wants knobs to follow the mouse, as far as it has said: NotSet until it has
// chosen a mode (many Linux hosts never do, and some formats have no way to say); the editor
// decides what NotSet means.
enum class HostKnobMode
{
    NotSet,
    Circular,
    RelativeCircular,
    Linear
};

// What the host tells an open editor: every accepted parameter value, so that on-screen controls
// follow automation and host-side edits, and the knob mode when it changes (an editor reads the
// current one, EditorHost::knobMode, when it opens).
class EditorLink
{
public:
    virtual void updateControlFromParam(ParamId id, double value) = 0;
    virtual void knobModeChanged(HostKnobMode) {}

protected:
    ~EditorLink() = default;
};

class EditorHost
{
public:
    // The normalised value the host side holds now.
    virtual double paramValue(ParamId id) const = 0;

    // One edit is begin, set, perform, end. `setParam` updates the host side's value (which
    // comes back through EditorLink::updateControlFromParam when accepted) and is false for an
    // ID or value the host side refuses; `performEdit` tells the host, which records automation
    // between begin and end.
    virtual void beginEdit(ParamId id) = 0;
    virtual bool setParam(ParamId id, double value) = 0;
    virtual void performEdit(ParamId id, double value) = 0;
    virtual void endEdit(ParamId id) = 0;

    // The step playing now (0..7), or -1.
    virtual std::int32_t playheadStep() const = 0;
    virtual HostKnobMode knobMode() const = 0;

    // The open editor registers for value changes and unregisters when it closes; only the
    // registered editor can unregister.
    virtual void registerEditor(EditorLink* editor) = 0;
    virtual void unregisterEditor(EditorLink* editor) = 0;

    // Asks the host to give the editor's window this pixel size (after a zoom); false when the
    // host cannot or will not.
    virtual bool requestResize(int width, int height) = 0;

    // Makes the host's UI loop deliver the toolkit's events and `listener`'s frames (every
    // GuiToolkit::kFrameIntervalMs or as close as the host's loop allows); false when the host
    // offers no loop, and then the editor refuses to open in a window.
    virtual bool attachUiLoop(GuiToolkit::FrameListener& listener) = 0;
    virtual void detachUiLoop(GuiToolkit::FrameListener& listener) = 0;

protected:
    ~EditorHost() = default;
};

} // namespace Ryvel
