// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/ParameterCatalogue.h"

namespace Ryvel
{

// What the edit controller needs of an open editor: every accepted parameter value, so that
// on-screen controls follow automation and host-side edits. UI thread only.
class EditorLink
{
public:
    virtual void updateControlFromParam(ParamId id, double value) = 0;

protected:
    ~EditorLink() = default;
};

} // namespace Ryvel
