// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempHome.h"

#include "presets/PresetManager.h"

#include <sys/stat.h>

namespace Ryvel::test
{
namespace
{

using Settings = TempHomeTest;

} // namespace

TEST_F(Settings, WithoutAFileGiveTheDefaultZoomAndCreateOnlyTheBaseFolder)
{
    EXPECT_EQ(PresetManager().loadZoom(), 1.25);
    EXPECT_TRUE(fs::is_directory(baseDir()));
    EXPECT_TRUE(folderEntries(baseDir()).empty());
}

TEST_F(Settings, AcceptOnlyZoomsFromAQuarterToFourAndOtherwiseGiveTheDefault)
{
    const struct
    {
        std::string content;
        double expected;
    } cases[] = {
        {"{ \"zoom\": 4 }\n", 4.0},
        {"{ \"zoom\": 4.5 }\n", 1.25},
        {"{ \"zoom\": 0.2 }\n", 1.25},
        {"{ \"zoom\": 0.25 }\n", 0.25},
        {"{ \"zoom\": 4.0000001 }\n", 1.25},
        {"{ \"zoom\": -2 }\n", 1.25},
        {"{\"zoom\":1.75}", 1.75},
        {"{ \"theme\": \"dark\", \"zoom\" : 2, \"zoom\": 3 }", 2.0},
        {"{ \"zoomLevel\": 2 }", 1.25},
        {"{ \"zoom\" 2 }", 1.25},
        {"{ \"zoom\": \"2\" }", 1.25},
        {"{ \"zoom\": nan }", 1.25},
        {"{ \"zoom\": 1e999 }", 1.25},
        {"{ \"zoom\":\n  1.5e0, \"other\": 9 }", 1.5},
        {"", 1.25},
    };
    const PresetManager presets;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.content);
        writeBytes(presets.configPath(), c.content);
        EXPECT_EQ(presets.loadZoom(), c.expected);
    }
}

TEST_F(Settings, SaveTheZoomAsOneExactLineThatReadsBack)
{
    const struct
    {
        double zoom;
        std::string text;
    } cases[] = {{1.25, "1.25"}, {1.5, "1.5"}, {1.75, "1.75"}, {2.0, "2"}, {0.25, "0.25"}};
    const PresetManager presets;
    writeBytes(presets.configPath(), "{ \"theme\": \"dark\", \"zoom\": 3 }");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        presets.saveZoom(c.zoom);
        EXPECT_EQ(readBytes(presets.configPath()), "{ \"zoom\": " + c.text + " }\n");
        EXPECT_EQ(presets.loadZoom(), c.zoom);
    }
    EXPECT_EQ(folderEntries(baseDir()), std::vector<std::string>{"config.json"});
}

TEST_F(Settings, KeepThePreviousFileWhenTheZoomCannotBeWritten)
{
    const PresetManager presets;
    presets.saveZoom(1.5);
    {
        const FileSizeLimit nearlyFull(8);
        presets.saveZoom(2.0);
    }
    EXPECT_EQ(readBytes(presets.configPath()), "{ \"zoom\": 1.5 }\n");
    EXPECT_EQ(folderEntries(baseDir()), std::vector<std::string>{"config.json"});
}

TEST_F(Settings, IgnoreAPipeOrAnOversizedFile)
{
    const PresetManager presets;
    ASSERT_EQ(::mkfifo(presets.configPath().c_str(), 0600), 0);
    EXPECT_EQ(presets.loadZoom(), 1.25);
    fs::remove(presets.configPath());
    writeBytes(presets.configPath(), "{ \"zoom\": 2 }");
    fs::resize_file(presets.configPath(), (1u << 20) + 1);
    EXPECT_EQ(presets.loadZoom(), 1.25);
}

} // namespace Ryvel::test
