// SPDX-License-Identifier: GPL-3.0-or-later
// Work the module does when a host loads and unloads it (called from ModuleEntry/ModuleExit).

#include "editor/GuiToolkit.h"
#include "formats/vst3/RyvelController.h"
#include "formats/vst3/RyvelPlugView.h"
#include "platform/UpdateChecker.h"

namespace
{

Steinberg::IPlugView* makeEditor(Ryvel::RyvelController& controller)
{
    return new Ryvel::RyvelPlugView(controller);
}

} // namespace

bool InitModule()
{
    Ryvel::GuiToolkit::initialise();
    Ryvel::RyvelController::setViewFactory(&makeEditor);
    return true;
}

bool DeinitModule()
{
    Ryvel::RyvelController::setViewFactory(nullptr);
    // The module is about to be unmapped: no update worker may still run its code.
    Ryvel::UpdateChecker::abortAllAndWait();
    Ryvel::GuiToolkit::shutdown();
    return true;
}
