// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/Vst3WindowType.h"

#include "pluginterfaces/gui/iplugview.h"

#include <windows.h>

Steinberg::FIDString Ryvel::vst3WindowType()
{
    return Steinberg::kPlatformTypeHWND;
}

bool Ryvel::isHostWindow(void* parent)
{
    return parent != nullptr && IsWindow(static_cast<HWND>(parent));
}
