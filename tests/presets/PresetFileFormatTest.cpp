// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempHome.h"

#include "presets/PresetFileFormat.h"
#include "presets/PresetManager.h"
#include "presets/SettingsFile.h"

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>

namespace Ryvel::test
{
namespace
{

using PresetFile = TempHomeTest;

// Literal bytes: the fixed layout other versions and hand-editing users rely on.
constexpr std::string_view kInitPresetFile = R"({
  "version": 1,
  "params": {
    "0": 0,
    "1": 0,
    "2": 0,
    "3": 0,
    "4": 0,
    "5": 0,
    "6": 0,
    "7": 0,
    "8": 0,
    "9": 0,
    "10": 0,
    "11": 0,
    "12": 0,
    "13": 0,
    "14": 0,
    "15": 0,
    "16": 0,
    "17": 0,
    "18": 0,
    "19": 0,
    "20": 0,
    "21": 0,
    "22": 0,
    "23": 0,
    "24": 0,
    "25": 0,
    "26": 0,
    "27": 0,
    "28": 0,
    "29": 0,
    "30": 0,
    "31": 0,
    "128": 0.7,
    "129": 0.7,
    "130": 0.7,
    "131": 0.7,
    "136": 0.5,
    "137": 0.5,
    "138": 0.5,
    "139": 0.5,
    "144": 0,
    "145": 0,
    "146": 0,
    "147": 0,
    "148": 1,
    "149": 1,
    "150": 1,
    "151": 1,
    "152": 0,
    "153": 0,
    "154": 0,
    "155": 0
  }
}
)";

std::string singleEntryFile(std::string_view value)
{
    return "{\n  \"version\": 1,\n  \"params\": {\n    \"7\": " + std::string(value) + "\n  }\n}\n";
}

} // namespace

TEST_F(PresetFile, OfTheInitPresetIsWrittenByteForByte)
{
    const PresetManager presets;
    const std::string path = presets.userPresetPath("Init");
    ASSERT_TRUE(PresetManager::writePresetFile(path, presets.defaultParams()));
    EXPECT_EQ(readBytes(path), kInitPresetFile);
}

TEST_F(PresetFile, OfAnEmptyMapHoldsOnlyTheFrame)
{
    EXPECT_EQ(formatPresetText({}), "{\n  \"version\": 1,\n  \"params\": {\n  }\n}\n");
}

TEST_F(PresetFile, WritesValuesWithSixSignificantDigits)
{
    const struct
    {
        double value;
        std::string_view text;
    } cases[] = {
        {0.0, "0"},         {1.0, "1"},         {0.7, "0.7"},         {0.123456789, "0.123457"},
        {0.00001, "1e-05"}, {0.0001, "0.0001"}, {123456.0, "123456"}, {1234567.0, "1.23457e+06"},
        {0.9999995, "1"},   {-0.25, "-0.25"},   {1e-300, "1e-300"},   {2.0 / 3.0, "0.666667"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(formatPresetText({{7, c.value}}), singleEntryFile(c.text));
    }
}

TEST_F(PresetFile, WrittenAndReadBackKeepsEveryIdWithValuesRoundedToSixDigits)
{
    const ParamMap written = {{0, 1.0},    {5, 0.123456789},  {31, 1.0 / 3.0},   {128, 0.7},
                              {150, 1e-7}, {155, 0.99999949}, {4000000000u, 0.5}};
    const ParamMap expected = {{0, 1.0},    {5, 0.123457},   {31, 0.333333},    {128, 0.7},
                               {150, 1e-7}, {155, 0.999999}, {4000000000u, 0.5}};
    const PresetManager presets;
    const std::string path = presets.userPresetPath("Round Trip");
    ASSERT_TRUE(PresetManager::writePresetFile(path, written));
    EXPECT_EQ(PresetManager::readPresetFile(path), expected);
}

struct ScanCase
{
    const char* label;
    std::string_view text;
    std::optional<ParamMap> expected;
};

void PrintTo(const ScanCase& c, std::ostream* os)
{
    *os << c.label;
}

class PresetScanner : public TempHomeTest, public ::testing::WithParamInterface<ScanCase>
{
};

TEST_P(PresetScanner, ReadsWhatTheTolerantGrammarAllows)
{
    const ScanCase& c = GetParam();
    EXPECT_EQ(scanPresetText(c.text), c.expected) << c.text;

    // The file path gives the same answer as the text.
    const PresetManager presets;
    writeBytes(presets.userPresetPath("Scan"), std::string(c.text));
    EXPECT_EQ(presets.loadUserPreset("Scan"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PresetScanner,
    ::testing::Values(
        ScanCase{"LastOccurrenceOfAKeyWins", "{\"params\": {\n\"3\": 1,\n\"3\": 0\n}}",
                 ParamMap{{3, 0.0}}},
        ScanCase{"EmptyParamsObjectIsNoPreset", "{\"version\": 1, \"params\": {}}", std::nullopt},
        ScanCase{"NoQuotedParamsWordIsNoPreset", "{\"version\": 1, params: {\"1\": 1}}",
                 std::nullopt},
        ScanCase{"NoOpeningBraceIsNoPreset", "{\"params\": [\"1\", 1]", std::nullopt},
        ScanCase{"CutBeforeTheClosingBraceIsNoPreset",
                 "{\n  \"params\": {\n    \"0\": 1,\n    \"1\": 0", std::nullopt},
        ScanCase{"UnreadableEntriesAreSkippedOneByOne",
                 "{\"params\": {\n\"x\": 1,\n\"5\": \"0.5\",\n\"6\": 0.25\n}}",
                 ParamMap{{6, 0.25}}},
        ScanCase{"NoSurvivingEntryIsNoPreset", "{\"params\": {\"x\": 1, \"2\": \"a\"}}",
                 std::nullopt},
        ScanCase{"CompactOneLineForm",
                 "{\"version\":1,\"params\":{\"0\":1,\"128\":0.5,\"155\":0.25}}",
                 ParamMap{{0, 1.0}, {128, 0.5}, {155, 0.25}}},
        ScanCase{"CarriageReturnsAndTextOutsideAreIgnored",
                 "junk \"version\": 9\r\n\"params\" : {\r\n \"1\" : 0.5\r\n}\r\n\"2\": 1",
                 ParamMap{{1, 0.5}}},
        ScanCase{"FirstClosingBraceEndsTheObject",
                 "{\"params\": {\"1\": 1, \"x\": {\"2\": 2}, \"3\": 3}}", ParamMap{{1, 1.0}}},
        ScanCase{"OnlyTheFirstValueOfAnUnseparatedRunIsRead", "{\"params\": {\"1\": 1 \"2\": 2}}",
                 ParamMap{{1, 1.0}}},
        ScanCase{"NumberFormsOfOtherWriters",
                 "{\"params\": {\"1\": +0.5,\"2\":   -0.25,\"3\": .5,\"4\": 5.,\"5\": 2E+1,"
                 "\"6\": 1e-3x,\"7\": 1e,\"8\": 0x10}}",
                 ParamMap{{1, 0.5},
                          {2, -0.25},
                          {3, 0.5},
                          {4, 5.0},
                          {5, 20.0},
                          {6, 0.001},
                          {7, 1.0},
                          {8, 0.0}}},
        ScanCase{"NonFiniteAndOutOfRangeValuesAreSkipped",
                 "{\"params\": {\"1\": inf,\"2\": nan,\"3\": 1e999,\"4\": -1e999,\"5\": -,"
                 "\"6\": ,\"7\": 0.75}}",
                 ParamMap{{7, 0.75}}},
        ScanCase{"KeysWithBlanksSignsAndTrailingText",
                 "{\"params\": {\" 7\": 1,\"+8\": 1,\"9abc\": 1,\"4294967295\": 1}}",
                 ParamMap{{7, 1.0}, {8, 1.0}, {9, 1.0}, {4294967295u, 1.0}}},
        // A key outside the 32-bit ID range is damage; truncating it would alias a real
        // parameter (4294967299 would become step switch 3).
        ScanCase{"NegativeOrOversizedKeysAreSkipped",
                 "{\"params\": {\"-1\": 1,\"4294967296\": 1,\"4294967299\": 1,"
                 "\"18446744073709551616\": 1,\"10\": 1}}",
                 ParamMap{{10, 1.0}}}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return info.param.label; });

// A comma decimal separator in the host's locale must not leak into files shared between hosts.
TEST_F(PresetFile, NumbersIgnoreACommaDecimalLocale)
{
    struct CommaPunct : std::numpunct<char>
    {
        char do_decimal_point() const override { return ','; }
    };
    const std::string savedC = std::setlocale(LC_ALL, nullptr);
    const std::locale savedCpp =
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));

    // The C locale is switched as well when a German one exists or can be compiled into HOME.
    bool commaC = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (!commaC && std::system("command -v localedef >/dev/null 2>&1") == 0)
    {
        const fs::path locales = home / "locale";
        fs::create_directories(locales);
        const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                    (locales / "de_DE.utf8").string() + "' >/dev/null 2>&1";
        static_cast<void>(std::system(command.c_str()));
        ::setenv("LOCPATH", locales.c_str(), 1);
        commaC = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        ::unsetenv("LOCPATH");
    }
    if (commaC)
        EXPECT_EQ(std::localeconv()->decimal_point, std::string(","));
    else
        std::cout << "no comma C locale available; checking the C++ locale only\n";

    EXPECT_EQ(formatPresetText({{1, 0.7}}),
              "{\n  \"version\": 1,\n  \"params\": {\n    \"1\": 0.7\n  }\n}\n");
    EXPECT_EQ(scanPresetText("\"params\": {\"1\": 0.25}"), (ParamMap{{1, 0.25}}));
    EXPECT_EQ(formatSettingsText(1.75), "{ \"zoom\": 1.75 }\n");
    EXPECT_EQ(scanZoomText("{ \"zoom\": 1.75 }"), 1.75);

    std::setlocale(LC_ALL, savedC.c_str());
    std::locale::global(savedCpp);
}

} // namespace Ryvel::test
