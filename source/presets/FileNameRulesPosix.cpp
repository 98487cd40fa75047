// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/FileNameRules.h"

namespace Ryvel
{

std::string avoidReservedFileName(std::string name)
{
    return name;
}

} // namespace Ryvel
