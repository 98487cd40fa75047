// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempHome.h"

#include "presets/FactoryPresetsData.h"
#include "presets/PresetManager.h"

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace Ryvel::test
{
namespace
{

using Presets = TempHomeTest;

const ParamMap kSmall = {{0, 1.0}, {128, 0.25}};

ParamMap factoryMap(const std::string& name)
{
    for (int i = 0; i < FactoryPresetsData::count(); ++i)
        if (name == FactoryPresetsData::all()[i].name)
            return FactoryPresetsData::toParamMap(FactoryPresetsData::all()[i]);
    ADD_FAILURE() << "no factory preset " << name;
    return {};
}

} // namespace

TEST_F(Presets, LiveInSiblingFoldersBelowHomeDocuments)
{
    const PresetManager presets;
    EXPECT_EQ(presets.presetBaseDir(), baseDir().string());
    EXPECT_EQ(presets.userPresetDir(), userDir().string());
    EXPECT_EQ(presets.factoryPresetDir(), factoryDir().string());
    EXPECT_EQ(presets.userPresetPath("Pad"), (userDir() / "Pad.json").string());
    EXPECT_EQ(presets.factoryPresetPath("Thumper"), (factoryDir() / "Thumper.json").string());
    EXPECT_EQ(presets.configPath(), (baseDir() / "config.json").string());
    EXPECT_TRUE(fs::is_directory(userDir()));
    EXPECT_TRUE(fs::is_directory(factoryDir()));
    EXPECT_FALSE(fs::exists(userDir() / "Pad.json"));
    EXPECT_FALSE(fs::exists(baseDir() / "config.json"));
}

TEST_F(Presets, FallBackToTheWorkingDirectoryWithoutAUsableHome)
{
    const fs::path savedCwd = fs::current_path();
    fs::create_directories(home / "cwd");
    fs::current_path(home / "cwd");
    const PresetManager presets;

    ::unsetenv("HOME");
    EXPECT_EQ(presets.userPresetDir(),
              (home / "cwd" / "Corvane Audio" / "Ryvel" / "Presets").string());

    ::setenv("HOME", "", 1);
    EXPECT_EQ(presets.userPresetDir(), "Documents/Corvane Audio/Ryvel/Presets");
    EXPECT_TRUE(
        fs::is_directory(home / "cwd" / "Documents" / "Corvane Audio" / "Ryvel" / "Presets"));

    fs::current_path(savedCwd);
}

TEST_F(Presets, SanitiseNamesIntoFileNamesThatStayInTheirFolder)
{
    const struct
    {
        std::string name;
        std::string expected;
    } cases[] = {
        {"a/b:c", "a_b_c"},
        {"  x  ", "x"},
        {"", "Untitled"},
        {"   ", "Untitled"},
        {"a\tb", "a_b"},
        {"a\nb", "a_b"},
        {"\t", "_"},
        {"D\xC3\xA9lai", "D\xC3\xA9lai"},
        {"\"*/:<>?\\|", "_________"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"..", ".."},
        {"del\x7F", "del_"},
        {std::string("nul\0byte", 8), "nul_byte"},
        {" Keep  inner  spaces ", "Keep  inner  spaces"},
    };
    const PresetManager presets;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PresetManager::sanitizePresetName(c.name), c.expected);
        const fs::path path = presets.userPresetPath(c.name);
        EXPECT_EQ(path.parent_path(), userDir());
        EXPECT_EQ(path.filename(), c.expected + ".json");
    }
}

TEST_F(Presets, ThatSanitiseAlikeShareOneFile)
{
    const PresetManager presets;
    ASSERT_TRUE(presets.saveUserPreset("A/B", kSmall));
    ASSERT_TRUE(presets.saveUserPreset("A:B", {{1, 1.0}}));
    EXPECT_EQ(presets.listUserPresets(), std::vector<std::string>{"A_B"});
    EXPECT_EQ(presets.loadUserPreset("A/B"), (ParamMap{{1, 1.0}}));
}

TEST_F(Presets, ListOnlyRegularJsonFilesSortedByteWise)
{
    fs::create_directories(userDir() / "d.json");
    for (const char* name : {"b.json", "B.json", "a.json", "a.JSON", "c.txt", ".json",
                             "D\xC3\xA9lai.json", "Z.json", "notes.json.bak"})
        writeBytes(userDir() / name, "{}");
    fs::create_symlink(userDir() / "a.json", userDir() / "linked.json");
    fs::create_symlink(home / "missing", userDir() / "dangling.json");
    ASSERT_EQ(::mkfifo((userDir() / "pipe.json").c_str(), 0600), 0);

    const std::vector<std::string> expected = {"B", "D\xC3\xA9lai", "Z", "a", "b", "linked"};
    EXPECT_EQ(PresetManager().listUserPresets(), expected);
}

TEST_F(Presets, FailQuietlyWhenThePresetFolderIsAFile)
{
    writeBytes(baseDir() / "Presets", "not a folder");
    const PresetManager presets;
    EXPECT_TRUE(presets.listUserPresets().empty());
    EXPECT_FALSE(presets.saveUserPreset("Pad", kSmall));
    EXPECT_EQ(presets.loadUserPreset("Pad"), std::nullopt);
}

TEST_F(Presets, ThatAreFactoryNamesCanBeLoadedFromTheUserFolderButNotSavedThere)
{
    const PresetManager presets;
    writeBytes(userDir() / "Thumper.json", "{\"params\": {\"3\": 1}}");
    EXPECT_EQ(presets.listUserPresets(), std::vector<std::string>{"Thumper"});
    EXPECT_EQ(presets.loadUserPreset("Thumper"), (ParamMap{{3, 1.0}}));

    for (const char* name : {"Thumper", "Thumper ", " Thumper"})
    {
        SCOPED_TRACE(name);
        EXPECT_TRUE(presets.isFactoryName("Thumper"));
        EXPECT_FALSE(presets.saveUserPreset(name, kSmall));
    }
    EXPECT_EQ(readBytes(userDir() / "Thumper.json"), "{\"params\": {\"3\": 1}}");
    EXPECT_TRUE(presets.saveUserPreset("thumper", kSmall));
}

TEST_F(Presets, ExtractWritesEveryMissingFactoryFileWithTheTableValues)
{
    const PresetManager presets;
    presets.extractFactoryPresetsIfMissing();

    std::vector<std::string> expectedFiles;
    for (const std::string& name : FactoryPresetsData::names())
        expectedFiles.push_back(name + ".json");
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(folderEntries(factoryDir()), expectedFiles);

    for (const std::string& name : presets.listFactoryPresets())
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(PresetManager::readPresetFile(factoryDir() / (name + ".json")), factoryMap(name));
    }
}

TEST_F(Presets, ExtractRestoresDeletedFactoryFilesAndKeepsEditedOrDamagedOnes)
{
    const PresetManager presets;
    presets.extractFactoryPresetsIfMissing();
    const std::string original = readBytes(factoryDir() / "Kerala.json");
    fs::remove(factoryDir() / "Kerala.json");
    writeBytes(factoryDir() / "Scoops.json", "{\"params\": {\"0\": 1}}");
    writeBytes(factoryDir() / "Galloper.json", "garbage");

    presets.extractFactoryPresetsIfMissing();
    EXPECT_EQ(readBytes(factoryDir() / "Kerala.json"), original);
    EXPECT_EQ(readBytes(factoryDir() / "Scoops.json"), "{\"params\": {\"0\": 1}}");
    EXPECT_EQ(readBytes(factoryDir() / "Galloper.json"), "garbage");
}

TEST_F(Presets, LoadAnEditedFactoryFileInsteadOfTheTable)
{
    const PresetManager presets;
    presets.extractFactoryPresetsIfMissing();
    ParamMap edited = factoryMap("Ghost Tape");
    edited[kGainBase] = 0.125;
    ASSERT_TRUE(PresetManager::writePresetFile(presets.factoryPresetPath("Ghost Tape"), edited));
    EXPECT_EQ(presets.loadFactoryPreset("Ghost Tape"), edited);
}

TEST_F(Presets, ReplaceAnUnreadableFactoryFileWithTheTableValues)
{
    const PresetManager presets;
    const fs::path path = factoryDir() / "Red Dust.json";
    const struct
    {
        const char* label;
        std::function<void()> damage;
    } cases[] = {
        {"missing", [&] { fs::remove(path); }},
        {"empty", [&] { writeBytes(path, ""); }},
        {"garbage", [&] { writeBytes(path, "\x01\x02 params"); }},
        {"cut short",
         [&] { writeBytes(path, "{\n  \"version\": 1,\n  \"params\": {\n    \"0\": 1,"); }},
        {"pipe",
         [&]
         {
             fs::remove(path);
             ::mkfifo(path.c_str(), 0600);
         }},
        {"over 1 MiB",
         [&]
         {
             writeBytes(path, "{\"params\": {\"0\": 1}}");
             fs::resize_file(path, (1u << 20) + 1);
         }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        presets.extractFactoryPresetsIfMissing();
        c.damage();
        EXPECT_EQ(presets.loadFactoryPreset("Red Dust"), factoryMap("Red Dust"));
        EXPECT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ(PresetManager::readPresetFile(path), factoryMap("Red Dust"));
    }
}

TEST_F(Presets, LoadNothingForUnknownOrMissingNames)
{
    const PresetManager presets;
    EXPECT_EQ(presets.loadFactoryPreset("red dust"), std::nullopt);
    EXPECT_EQ(presets.loadFactoryPreset("Nope"), std::nullopt);
    EXPECT_EQ(presets.loadUserPreset("Nope"), std::nullopt);
    EXPECT_TRUE(folderEntries(factoryDir()).empty());
    EXPECT_TRUE(folderEntries(userDir()).empty());
}

TEST_F(Presets, RefusePipesAndOversizedFilesWithoutBlocking)
{
    const PresetManager presets;
    ASSERT_EQ(::mkfifo(presets.userPresetPath("Pipe").c_str(), 0600), 0);
    EXPECT_EQ(presets.loadUserPreset("Pipe"), std::nullopt);

    const std::string path = presets.userPresetPath("Huge");
    writeBytes(path, "{\"params\": {\"0\": 1}}");
    fs::resize_file(path, 1u << 20);
    EXPECT_EQ(presets.loadUserPreset("Huge"), (ParamMap{{0, 1.0}}));
    fs::resize_file(path, (1u << 20) + 1);
    EXPECT_EQ(presets.loadUserPreset("Huge"), std::nullopt);
}

TEST_F(Presets, KeepThePreviousFileWhenAWriteFails)
{
    const PresetManager presets;
    ASSERT_TRUE(presets.saveUserPreset("Keep", kSmall));
    const std::string before = readBytes(userDir() / "Keep.json");
    ASSERT_LT(before.size(), 200u);
    {
        const FileSizeLimit nearlyFull(200);
        EXPECT_FALSE(presets.saveUserPreset("Keep", presets.defaultParams()));
        EXPECT_FALSE(presets.saveUserPreset("New", presets.defaultParams()));
    }
    EXPECT_EQ(readBytes(userDir() / "Keep.json"), before);
    // Neither a half-written preset nor a temporary file is left behind.
    EXPECT_EQ(folderEntries(userDir()), std::vector<std::string>{"Keep.json"});

    fs::create_directories(userDir() / "Folder.json" / "inside");
    EXPECT_FALSE(presets.saveUserPreset("Folder", kSmall));
    EXPECT_TRUE(fs::is_directory(userDir() / "Folder.json" / "inside"));
    EXPECT_EQ(folderEntries(userDir()), (std::vector<std::string>{"Folder.json", "Keep.json"}));
}

} // namespace Ryvel::test
