// SPDX-License-Identifier: GPL-3.0-or-later
// Work the module does when a host loads and unloads it (called from ModuleEntry/ModuleExit).

#include "platform/UpdateChecker.h"

bool InitModule() { return true; }

bool DeinitModule()
{
    // The module is about to be unmapped: no update worker may still run its code.
    Ryvel::UpdateChecker::abortAllAndWait();
    return true;
}
