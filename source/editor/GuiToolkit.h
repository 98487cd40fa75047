// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The GUI toolkit's life inside a plug-in module, and the bridge that lets the host's run loop
// drive it. Nothing here touches the display: a module loads, scans and processes audio with no
// X server at all. The display is opened only when an editor is attached to a host window.

namespace Steinberg
{
class IPlugFrame;
}

namespace Ryvel::GuiToolkit
{

// Module load and unload (ModuleEntry/ModuleExit), reference-counted.
void initialise();
void shutdown();

// Makes the host's run loop (queried from its plug frame) deliver the toolkit's file
// descriptors and timer on the host's UI thread. False when the host offers no run loop: then
// nothing would paint and no timer would run, so the editor refuses to attach. UI thread.
bool attachHostRunLoop(Steinberg::IPlugFrame* plugFrame);
void detachHostRunLoop(Steinberg::IPlugFrame* plugFrame);

} // namespace Ryvel::GuiToolkit
