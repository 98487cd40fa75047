// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <system_error>

namespace Ryvel
{
namespace
{

// White space as the C locale's isspace knows it, without consulting any locale.
constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t skipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

std::size_t skipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

} // namespace

std::string formatNumber(double value)
{
    // Longest "%.6g" output is "-1.23457e-308" (13 characters); 32 leaves ample room.
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

std::optional<double> parseLeadingNumber(std::string_view text)
{
    std::size_t i = skipBlanks(text);
    // from_chars takes a minus sign but no plus sign, so a plus is stepped over here.
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || negative))
        ++i;
    const std::size_t mantissaStart = i;
    std::size_t end = skipDigits(text, i);
    std::size_t digits = end - i;
    if (end < text.size() && text[end] == '.')
    {
        const std::size_t fractionEnd = skipDigits(text, end + 1);
        digits += fractionEnd - (end + 1);
        end = fractionEnd;
    }
    if (digits == 0)
        return std::nullopt;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E'))
    {
        std::size_t e = end + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-'))
            ++e;
        const std::size_t exponentEnd = skipDigits(text, e);
        if (exponentEnd > e)
            end = exponentEnd;
    }

    double value = 0.0;
    const char* first = text.data() + mantissaStart;
    const auto result =
        std::from_chars(first, text.data() + end, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<ParamId> parseLeadingParamId(std::string_view text)
{
    std::size_t i = skipBlanks(text);
    if (i < text.size() && text[i] == '+')
        ++i;
    const std::size_t end = skipDigits(text, i);
    if (end == i)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t k = i; k < end; ++k)
    {
        value = value * 10 + static_cast<std::uint64_t>(text[k] - '0');
        if (value > std::numeric_limits<ParamId>::max())
            return std::nullopt;
    }
    return static_cast<ParamId>(value);
}

} // namespace Ryvel
