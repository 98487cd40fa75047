// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace Ryvel
{

// The last step of making a preset name a file name, for what only some systems refuse. Windows
// reserves the device names CON, PRN, AUX, NUL, COM0-9 and LPT0-9 (any letter case, with any
// extension, trailing spaces ignored): such a name gets '_' after its first part there, so
// "nul" is saved as "nul_.json" and "Com1.x" as "Com1_.x.json". Elsewhere names pass unchanged.
std::string avoidReservedFileName(std::string name);

} // namespace Ryvel
