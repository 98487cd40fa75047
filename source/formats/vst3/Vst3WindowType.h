// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pluginterfaces/base/ftypes.h"

namespace Ryvel
{

// The one kind of host window the editor attaches to on this system: an X11 window ID on Linux,
// an HWND on Windows.
Steinberg::FIDString vst3WindowType();

// Whether `parent`, of that type, can be a parent at all. Windows can tell (a host that passes
// something else would make the toolkit fault); an X11 window ID cannot be checked without a
// round trip to the server, so on Linux any non-null value passes.
bool isHostWindow(void* parent);

} // namespace Ryvel
