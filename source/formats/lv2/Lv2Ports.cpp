// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/lv2/Lv2Ports.h"

#include <cctype>

namespace Ryvel::Lv2
{

std::string portSymbol(const ParamInfo& info)
{
    switch (info.kind)
    {
    case ParamKind::Step:
    {
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "v" + std::string.
        std::string symbol = "v";
        symbol += std::to_string(info.voice + 1);
        symbol += "_step_";
        symbol += std::to_string(info.step + 1);
        return symbol;
    }
    case ParamKind::Mix:
        return "mix";
    case ParamKind::HighPass:
        return "hp";
    case ParamKind::Bypass:
        return "enabled";
    default:
        break;
    }
    // "V2 Filter" -> "v2_filter"
    std::string symbol;
    for (char c : info.title())
        symbol += c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return symbol;
}

std::string portName(const ParamInfo& info)
{
    return info.isBypass() ? std::string("Enabled") : std::string(info.title());
}

} // namespace Ryvel::Lv2
