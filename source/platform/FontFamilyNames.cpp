// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FontFamilyNames.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>

namespace Ryvel
{
namespace
{

// sfnt data is big-endian. Offsets are relative to the start of the file, or of the name
// table's string storage; every read is checked against the bytes there are.
constexpr std::uint16_t kTypographicFamily = 16;
constexpr std::uint16_t kFamily = 1;
constexpr std::uint16_t kPlatformUnicode = 0;
constexpr std::uint16_t kPlatformMacintosh = 1;
constexpr std::uint16_t kPlatformWindows = 3;
constexpr std::uint16_t kWindowsUnicodeBmp = 1;
constexpr std::uint16_t kWindowsUnicodeFull = 10;
constexpr std::uint16_t kWindowsUsEnglish = 0x0409;
constexpr std::size_t kMaxFileBytes = 32u << 20;

std::optional<std::uint32_t> read(std::span<const unsigned char> bytes, std::size_t at,
                                  std::size_t width) noexcept
{
    if (at > bytes.size() || bytes.size() - at < width)
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

std::optional<std::uint16_t> u16(std::span<const unsigned char> bytes, std::size_t at) noexcept
{
    const auto v = read(bytes, at, 2);
    return v ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*v)) : std::nullopt;
}

std::optional<std::uint32_t> u32(std::span<const unsigned char> bytes, std::size_t at) noexcept
{
    return read(bytes, at, 4);
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80)
        out += static_cast<char>(code);
    else if (code < 0x800)
    {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16BE to UTF-8; nothing for an odd length, an unpaired surrogate or a NUL.
std::optional<std::string> fromUtf16(std::span<const unsigned char> text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2)
    {
        char32_t unit = static_cast<char32_t>((text[i] << 8) | text[i + 1]);
        if (unit == 0 || (unit >= 0xDC00 && unit <= 0xDFFF))
            return std::nullopt;
        if (unit >= 0xD800 && unit <= 0xDBFF)
        {
            if (i + 3 >= text.size())
                return std::nullopt;
            const char32_t low = static_cast<char32_t>((text[i + 2] << 8) | text[i + 3]);
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(out, unit);
    }
    return out;
}

// Macintosh Roman agrees with ASCII below 0x80; anything above is declined rather than guessed.
std::optional<std::string> fromMacAscii(std::span<const unsigned char> text)
{
    std::string out;
    for (const unsigned char c : text)
    {
        if (c == 0 || c >= 0x80)
            return std::nullopt;
        out += static_cast<char>(c);
    }
    return out;
}

// Lower is better; nothing for a record whose encoding is not read here.
std::optional<int> rank(std::uint16_t platform, std::uint16_t encoding,
                        std::uint16_t language) noexcept
{
    const bool windowsUnicode = platform == kPlatformWindows &&
                                (encoding == kWindowsUnicodeBmp || encoding == kWindowsUnicodeFull);
    if (windowsUnicode && language == kWindowsUsEnglish)
        return 0;
    if (platform == kPlatformUnicode)
        return 1;
    if (windowsUnicode)
        return 2;
    if (platform == kPlatformMacintosh && encoding == 0 && language == 0)
        return 3;
    return std::nullopt;
}

// The best-ranked readable, non-empty name with `nameId` in the name table `table`.
std::string findName(std::span<const unsigned char> table, std::uint16_t nameId)
{
    const auto count = u16(table, 2);
    const auto storage = u16(table, 4);
    if (!count || !storage)
        return {};
    std::string best;
    int bestRank = 0;
    for (std::size_t i = 0; i < *count; ++i)
    {
        const std::size_t record = 6 + 12 * i;
        const auto platform = u16(table, record);
        const auto encoding = u16(table, record + 2);
        const auto language = u16(table, record + 4);
        const auto id = u16(table, record + 6);
        const auto length = u16(table, record + 8);
        const auto offset = u16(table, record + 10);
        if (!offset)
            break; // the records run past the table
        if (*id != nameId)
            continue;
        const auto r = rank(*platform, *encoding, *language);
        if (!r || (!best.empty() && *r >= bestRank))
            continue;
        const std::size_t start = std::size_t{*storage} + *offset;
        if (start > table.size() || table.size() - start < *length)
            continue;
        const auto text = table.subspan(start, *length);
        const auto name = *platform == kPlatformMacintosh ? fromMacAscii(text) : fromUtf16(text);
        if (name && !name->empty())
        {
            best = *name;
            bestRank = *r;
        }
    }
    return best;
}

} // namespace

std::vector<std::string> fontFamilyNames(std::span<const unsigned char> file) noexcept
{
    try
    {
        const auto version = u32(file, 0);
        const auto tables = u16(file, 4);
        if (!version || !tables ||
            (*version != 0x00010000 && *version != 0x4F54544F /* OTTO */ &&
             *version != 0x74727565 /* true */))
            return {};
        for (std::size_t i = 0; i < *tables; ++i)
        {
            const std::size_t record = 12 + 16 * i;
            const auto tag = u32(file, record);
            const auto offset = u32(file, record + 8);
            const auto length = u32(file, record + 12);
            if (!tag || !offset || !length)
                return {};
            if (*tag != 0x6E616D65 /* name */)
                continue;
            if (*offset > file.size() || file.size() - *offset < *length)
                return {};
            const auto table = file.subspan(*offset, *length);
            std::vector<std::string> names;
            for (const std::uint16_t id : {kTypographicFamily, kFamily})
            {
                std::string name = findName(table, id);
                if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                    names.push_back(std::move(name));
            }
            return names;
        }
        return {};
    }
    catch (...)
    {
        return {};
    }
}

std::vector<std::string> fontFamilyNamesOfFile(const std::string& path) noexcept
{
    try
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in)
            return {};
        const std::streamoff size = in.tellg();
        if (size <= 0 || static_cast<std::size_t>(size) > kMaxFileBytes)
            return {};
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
        in.seekg(0);
        if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
            return {};
        return fontFamilyNames(bytes);
    }
    catch (...)
    {
        return {};
    }
}

} // namespace Ryvel
