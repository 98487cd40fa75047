// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/FileNameRules.h"

#include <array>
#include <string_view>

namespace Ryvel
{
namespace
{

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDeviceName(std::string_view stem)
{
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    std::string folded;
    for (const char c : stem)
        folded += lower(c);
    constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
    for (const std::string_view name : kPlain)
        if (folded == name)
            return true;
    // COM and LPT with one digit; Windows also takes the superscripts ¹²³ (UTF-8 C2 B9/B2/B3).
    const std::string_view port = std::string_view(folded).substr(0, 3);
    if (port != "com" && port != "lpt")
        return false;
    const std::string_view number = std::string_view(folded).substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

} // namespace

std::string avoidReservedFileName(std::string name)
{
    const std::size_t dot = name.find('.');
    const std::size_t stemEnd = dot == std::string::npos ? name.size() : dot;
    if (isDeviceName(std::string_view(name).substr(0, stemEnd)))
        name.insert(stemEnd, "_");
    return name;
}

} // namespace Ryvel
