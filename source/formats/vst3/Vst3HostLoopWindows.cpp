// SPDX-License-Identifier: GPL-3.0-or-later
// Windows hosts offer no run loop and the toolkit needs none (editor/windows/ToolkitWindows.cpp).
#include "formats/vst3/Vst3HostLoop.h"

std::unique_ptr<Ryvel::GuiToolkit::HostLoop> Ryvel::Vst3HostLoop::of(Steinberg::IPlugFrame*)
{
    return nullptr;
}
