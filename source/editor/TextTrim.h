// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace Ryvel
{

// Removes ASCII white space from both ends (trailing first, then leading); UTF-8 passes intact.
inline std::string trimWhitespace(const std::string& text)
{
    const auto isSpace = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t end = text.size();
    while (end > 0 && isSpace(static_cast<unsigned char>(text[end - 1])))
        --end;
    std::size_t begin = 0;
    while (begin < end && isSpace(static_cast<unsigned char>(text[begin])))
        ++begin;
    return text.substr(begin, end - begin);
}

} // namespace Ryvel
