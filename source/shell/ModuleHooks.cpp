// SPDX-License-Identifier: GPL-3.0-or-later
// Work the module does when a host loads and unloads it (called from ModuleEntry/ModuleExit).

bool InitModule() { return true; }

bool DeinitModule() { return true; }
