// SPDX-License-Identifier: GPL-3.0-or-later
// Family names from a font file's own name table: which record wins, and untrusted bytes.

#include "platform/FontFamilyNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Ryvel
{
namespace
{

using Bytes = std::vector<unsigned char>;

struct NameRecord
{
    std::uint16_t platform, encoding, language, id;
    Bytes text; // as stored: UTF-16BE for platforms 0 and 3
};

void put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

Bytes utf16(const std::u16string& text)
{
    Bytes out;
    for (const char16_t c : text)
        put16(out, c);
    return out;
}

Bytes ascii(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// A TrueType file holding one table, "name", with `records`.
Bytes fontWithNames(const std::vector<NameRecord>& records)
{
    Bytes storage, table;
    put16(table, 0);
    put16(table, static_cast<std::uint32_t>(records.size()));
    put16(table, static_cast<std::uint32_t>(6 + 12 * records.size()));
    for (const NameRecord& r : records)
    {
        for (const std::uint32_t v : {r.platform, r.encoding, r.language, r.id})
            put16(table, v);
        put16(table, static_cast<std::uint32_t>(r.text.size()));
        put16(table, static_cast<std::uint32_t>(storage.size()));
        storage.insert(storage.end(), r.text.begin(), r.text.end());
    }
    table.insert(table.end(), storage.begin(), storage.end());

    Bytes file;
    put32(file, 0x00010000);
    put16(file, 1);
    put16(file, 16);
    put16(file, 0);
    put16(file, 0);
    put32(file, 0x6E616D65); // "name"
    put32(file, 0);
    put32(file, 28);
    put32(file, static_cast<std::uint32_t>(table.size()));
    file.insert(file.end(), table.begin(), table.end());
    return file;
}

TEST(FontFamilyNames, TakesTheTypographicThenTheFamilyNameFromTheBestReadableRecord)
{
    const NameRecord macFamily{1, 0, 0, 1, ascii("Mac Name")};
    const NameRecord macAccented{1, 0, 0, 1, {'C', 0x8E, 'x'}};
    const NameRecord german{3, 1, 0x0407, 1, utf16(u"Deutsch")};
    const NameRecord unicode{0, 3, 0, 1, utf16(u"Unicode")};
    const NameRecord english{3, 1, 0x0409, 1, utf16(u"Family")};
    const NameRecord typographic{3, 1, 0x0409, 16, utf16(u"Typo")};
    const NameRecord sameAsFamily{3, 1, 0x0409, 16, utf16(u"Family")};
    const NameRecord astral{3, 10, 0x0409, 1, utf16(u"A\U0001F3B5")};
    const NameRecord unpaired{3, 1, 0x0409, 1, utf16(std::u16string(1, char16_t{0xD83C}))};
    const NameRecord oddLength{3, 1, 0x0409, 1, {0, 'F', 0}};
    const NameRecord symbol{3, 0, 0x0409, 1, utf16(u"Symbol")};
    const struct
    {
        const char* what;
        std::vector<NameRecord> records;
        std::vector<std::string> expected;
    } cases[] = {
        {"English Windows wins", {macFamily, german, unicode, english}, {"Family"}},
        {"then Unicode platform", {macFamily, german, unicode}, {"Unicode"}},
        {"then another language", {macFamily, german}, {"Deutsch"}},
        {"then ASCII Macintosh", {macFamily}, {"Mac Name"}},
        {"typographic first", {english, typographic}, {"Typo", "Family"}},
        {"the same name once", {english, sameAsFamily}, {"Family"}},
        {"surrogate pair", {astral}, {"A\xF0\x9F\x8E\xB5"}},
        {"unreadable records skipped",
         {unpaired, oddLength, symbol, macAccented, german},
         {"Deutsch"}},
        {"no family name", {typographic}, {"Typo"}},
        {"nothing readable", {unpaired, macAccented}, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fontFamilyNames(fontWithNames(c.records)), c.expected);
    }
}

TEST(FontFamilyNames, CutOrCorruptedFilesGiveNoNameOrTheRightOne)
{
    const Bytes font =
        fontWithNames({{3, 1, 0x0409, 16, utf16(u"Typo")}, {3, 1, 0x0409, 1, utf16(u"Family")}});
    const std::vector<std::string> names = {"Typo", "Family"};
    ASSERT_EQ(fontFamilyNames(font), names);
    for (std::size_t size = 0; size < font.size(); ++size)
    {
        SCOPED_TRACE(size);
        EXPECT_EQ(fontFamilyNames(Bytes(font.begin(), font.begin() + size)),
                  std::vector<std::string>{});
    }
    // Every byte set to 0xFF in turn (offsets and counts far past the end among them): never
    // more than the two names, never an empty one or one with a NUL in it.
    for (std::size_t at = 0; at < font.size(); ++at)
    {
        SCOPED_TRACE(at);
        Bytes corrupted = font;
        corrupted[at] = 0xFF;
        const auto result = fontFamilyNames(corrupted);
        EXPECT_LE(result.size(), 2u);
        for (const std::string& name : result)
            EXPECT_TRUE(!name.empty() && name.find('\0') == std::string::npos) << name;
    }
    EXPECT_EQ(fontFamilyNamesOfFile("/nonexistent/font.ttf"), std::vector<std::string>{});
}

} // namespace
} // namespace Ryvel
