// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HttpsAddress.h"

#include <cstddef>

namespace Ryvel
{

bool isHttpsAddress(std::string_view url) noexcept
{
    constexpr std::string_view kScheme = "https://";
    if (url.size() <= kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i)
    {
        const char c = url[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kScheme[i])
            return false;
    }
    for (const char c : url)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

} // namespace Ryvel
