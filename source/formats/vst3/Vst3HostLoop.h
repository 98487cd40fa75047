// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/GuiToolkit.h"

#include "pluginterfaces/gui/iplugview.h"

#include <memory>

namespace Ryvel
{

// The UI loop a plug frame offers the toolkit: on Linux the host's Steinberg::Linux::IRunLoop
// (descriptors become event handler registrations, the frame clock a run-loop timer; both
// callbacks land on the host's UI thread, where the toolkit runs). Null when the frame offers
// none, and always on Windows, where the toolkit needs no loop from the host.
namespace Vst3HostLoop
{
std::unique_ptr<GuiToolkit::HostLoop> of(Steinberg::IPlugFrame* plugFrame);
} // namespace Vst3HostLoop

} // namespace Ryvel
