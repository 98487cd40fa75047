// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/ParameterCatalogue.h"

namespace Ryvel
{

// How the host wants knobs to follow the mouse, as far as it has said: NotSet until it has
// chosen a mode (many Linux hosts never do); the editor decides what NotSet means.
enum class HostKnobMode
{
    NotSet,
    Circular,
    RelativeCircular,
    Linear
};

// What the edit controller needs of an open editor: every accepted parameter value, so that
// on-screen controls follow automation and host-side edits, and the host's knob mode when it
// changes (an editor reads the current one when it opens). UI thread only.
class EditorLink
{
public:
    virtual void updateControlFromParam(ParamId id, double value) = 0;
    virtual void knobModeChanged(HostKnobMode) {}

protected:
    ~EditorLink() = default;
};

} // namespace Ryvel
