// SPDX-License-Identifier: GPL-3.0-or-later
// Presets and settings on Windows: the Documents known folder (redirected for each test to a
// fresh folder whose name is not ASCII, in the test run's own Wine prefix), wide paths end to end,
// atomic replacement, and the device names Windows reserves.

#include "presets/FactoryPresetsData.h"
#include "presets/FileIo.h"
#include "presets/PresetManager.h"
#include "presets/Utf8Path.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Ryvel::PresetManager;

namespace
{

std::wstring knownDocuments()
{
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DONT_VERIFY, nullptr, &folder)))
        path = folder;
    CoTaskMemFree(folder);
    return path;
}

// Where Windows keeps a redirected Documents folder for the user (SHSetKnownFolderPath writes
// it; Wine 8 lacks that function but reads the value).
bool redirectDocuments(const std::wstring& folder)
{
    const auto bytes = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
    return RegSetKeyValueW(HKEY_CURRENT_USER,
                           L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
                           L"Folders",
                           L"Personal", REG_EXPAND_SZ, folder.c_str(), bytes) == ERROR_SUCCESS;
}

class RedirectedDocuments : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = knownDocuments();
        ASSERT_FALSE(saved.empty());
        documents = fs::temp_directory_path() /
                    (L"Ryv\u00e9l \u30c6\u30b9\u30c8 " + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(documents);
        ASSERT_TRUE(redirectDocuments(documents.wstring()));
        ASSERT_EQ(fs::path(knownDocuments()), documents);
    }

    void TearDown() override
    {
        redirectDocuments(saved);
        std::error_code ignored;
        fs::remove_all(documents, ignored);
    }

    fs::path base() const { return documents / L"Corvane Audio" / L"Ryvel"; }

    std::wstring saved;
    fs::path documents;
    PresetManager presets;
};

TEST_F(RedirectedDocuments, FoldersLieBelowTheKnownFolderWithTheirUnicodeNames)
{
    EXPECT_EQ(Ryvel::pathFromUtf8(presets.presetBaseDir()), base());
    EXPECT_EQ(Ryvel::pathFromUtf8(presets.userPresetDir()), base() / L"Presets");
    EXPECT_EQ(Ryvel::pathFromUtf8(presets.factoryPresetDir()), base() / L"Factory");
    EXPECT_TRUE(fs::is_directory(base() / L"Presets"));
}

TEST_F(RedirectedDocuments, UserPresetsWithUnicodeNamesRoundTrip)
{
    const Ryvel::ParamMap params = presets.defaultParams();
    const std::string name = "D\xC3\xA9lai \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";
    ASSERT_TRUE(presets.saveUserPreset(name, params));
    EXPECT_TRUE(fs::exists(base() / L"Presets" / L"D\u00e9lai \u30c6\u30b9\u30c8.json"));
    EXPECT_EQ(presets.listUserPresets(), std::vector<std::string>{name});
    const auto loaded = presets.loadUserPreset(name);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, params);
}

TEST_F(RedirectedDocuments, FactoryFilesAndTheZoomAreWrittenAndReadBack)
{
    presets.extractFactoryPresetsIfMissing();
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(base() / L"Factory"))
        files += entry.path().extension() == L".json";
    EXPECT_EQ(files, static_cast<std::size_t>(Ryvel::FactoryPresetsData::count()));

    presets.saveZoom(1.5);
    EXPECT_EQ(presets.loadZoom(), 1.5);
    presets.saveZoom(1.0);
    EXPECT_EQ(presets.loadZoom(), 1.0);
    // Nothing but the settings file is left in the folder by the replacements.
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(base()))
        if (entry.is_regular_file())
            left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<fs::path>{L"config.json"});
}

TEST_F(RedirectedDocuments, ReplacingAnOpenFileFailsAndKeepsIt)
{
    const fs::path file = documents / L"held.json";
    std::ofstream(file) << "before";
    // Held open without FILE_SHARE_DELETE, as another program may: the rename must fail cleanly.
    const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Ryvel::replaceFileAtomically(Ryvel::utf8FromPath(file), "after"));
    CloseHandle(held);
    EXPECT_EQ(Ryvel::readSmallRegularFile(Ryvel::utf8FromPath(file)), "before");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(documents))
        ++entries;
    EXPECT_EQ(entries, 1u) << "the temporary file is removed";
    EXPECT_TRUE(Ryvel::replaceFileAtomically(Ryvel::utf8FromPath(file), "after"));
    EXPECT_EQ(Ryvel::readSmallRegularFile(Ryvel::utf8FromPath(file)), "after");
}

TEST(WindowsFileNames, DeviceNamesGetAnUnderscoreAndOtherNamesPassUnchanged)
{
    const struct
    {
        const char* name;
        const char* file;
    } rows[] = {
        {"CON", "CON_"},
        {"nul", "nul_"},
        {"Aux", "Aux_"},
        {"prn ", "prn_"},
        {"COM1", "COM1_"},
        {"lpt9", "lpt9_"},
        {"com0", "com0_"},
        {"Com1.x", "Com1_.x"},
        {"NUL.tar.gz", "NUL_.tar.gz"},
        {"COM\xC2\xB9", "COM\xC2\xB9_"},
        {"CONSOLE", "CONSOLE"},
        {"COM10", "COM10"},
        {"LPT", "LPT"},
        {"a CON", "a CON"},
        {"x.CON", "x.CON"},
        {"night drive", "night drive"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PresetManager::sanitizePresetName(row.name), row.file);
    }
}

TEST(WindowsFileNames, ReadingRefusesFoldersAndMissingFiles)
{
    EXPECT_FALSE(Ryvel::readSmallRegularFile(Ryvel::utf8FromPath(fs::temp_directory_path())));
    EXPECT_FALSE(Ryvel::readSmallRegularFile(
        Ryvel::utf8FromPath(fs::temp_directory_path() / L"no such file.json")));
    EXPECT_FALSE(Ryvel::readSmallRegularFile("NUL"));
}

} // namespace
