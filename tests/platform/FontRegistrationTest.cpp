// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestServers.h"
#include "platform/BundledFonts.h"
#include "platform/linux/FontconfigApi.h"
#include "platform/linux/FontsLinux.h"
#include "platform/linux/RuntimeLibrary.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <map>
#include <set>
#include <sstream>
#include <vector>

// fontconfig links its character sets by offsets rather than pointers, so the leak checker of
// AddressSanitizer cannot see that the current configuration still holds the registered fonts.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace Ryvel
{
namespace
{

namespace fs = std::filesystem;

// Application fonts in fontconfig's current configuration: file -> how many patterns it gave.
std::map<std::string, int> applicationFonts()
{
    std::map<std::string, int> files;
    const FcFontSet* fonts = FcConfigGetFonts(FcConfigGetCurrent(), FcSetApplication);
    for (int i = 0; fonts && i < fonts->nfont; ++i)
    {
        FcChar8* file = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            ++files[reinterpret_cast<const char*>(file)];
    }
    return files;
}

TEST(BundledFonts, RegistersTheBundlesTtfAndOtfFilesWhateverTheirLetterCase)
{
    TestSupport::TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const fs::path contents = dir.path() / "Ryvel.vst3" / "Contents";
    const fs::path fonts = contents / "Resources" / "Fonts";
    const fs::path module = contents / "x86_64-linux" / "Ryvel.so";
    fs::create_directories(fonts);
    fs::create_directories(module.parent_path());
    fs::copy_file(RYVEL_TEST_FONT_PROBE, module);
    // Real fonts behind every name, so only the name can keep a file out.
    const fs::path dejavu = RYVEL_TEST_DEJAVU_DIR;
    fs::copy_file(dejavu / "DejaVuSans.ttf", fonts / "Sans.TTF");
    fs::copy_file(dejavu / "DejaVuSansMono.ttf", fonts / "Mono.Otf");
    fs::copy_file(dejavu / "DejaVuSerif.ttf", fonts / "Serif.woff");
    fs::copy_file(dejavu / "DejaVuSans-Bold.ttf", fonts / "Bold.txt");
    fs::copy_file(dejavu / "DejaVuSerif.ttf", fonts / "ttf");

    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    using Probe = void (*)(char*, std::size_t);
    const auto probe = reinterpret_cast<Probe>(dlsym(handle, "ryvelProbeRegisterFonts"));
    ASSERT_NE(probe, nullptr);

    char first[4096], second[4096];
    probe(first, sizeof first);
    probe(second, sizeof second); // as every editor open does: harmless, nothing doubles
    dlclose(handle);

    const std::string sans = (fonts / "Sans.TTF").string(), mono = (fonts / "Mono.Otf").string();
    EXPECT_EQ(applicationFonts(), (std::map<std::string, int>{{sans, 1}, {mono, 1}}));
    std::set<std::string> registry;
    std::istringstream lines(first);
    for (std::string line; std::getline(lines, line);)
        registry.insert(line);
    EXPECT_EQ(registry,
              (std::set<std::string>{sans + "\tDejaVu Sans", mono + "\tDejaVu Sans Mono"}));
    EXPECT_STREQ(first, second);
}

// An LV2 bundle keeps its binaries at the top, with the resources beside them.
TEST(BundledFonts, FindsAnLv2BundlesResourcesBesideItsBinary)
{
    TestSupport::TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const fs::path bundle = dir.path() / "Ryvel.lv2";
    const fs::path fonts = bundle / "Resources" / "Fonts";
    const fs::path module = bundle / "ryvel-ui.so";
    fs::create_directories(fonts);
    fs::copy_file(RYVEL_TEST_FONT_PROBE, module);
    fs::copy_file(fs::path(RYVEL_TEST_DEJAVU_DIR) / "DejaVuSans.ttf", fonts / "Sans.ttf");

    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    using Probe = void (*)(char*, std::size_t);
    const auto probe = reinterpret_cast<Probe>(dlsym(handle, "ryvelProbeRegisterFonts"));
    ASSERT_NE(probe, nullptr);
    char registry[4096];
    probe(registry, sizeof registry);
    dlclose(handle);
    EXPECT_EQ(std::string(registry), (fonts / "Sans.ttf").string() + "\tDejaVu Sans\n");
}

// File name -> families, in order, of what this process's registry holds from `folder`.
std::map<std::string, std::vector<std::string>> recordedFrom(const fs::path& folder)
{
    std::map<std::string, std::vector<std::string>> files;
    for (const auto& entry : BundledFonts::all())
        if (fs::path(entry.file).parent_path() == folder)
            files[fs::path(entry.file).filename().string()].push_back(entry.family);
    return files;
}

// The editor's toolkit reads the recorded files itself; without fontconfig only the family
// names have to come from elsewhere, and they must be the ones fontconfig gives.
TEST(BundledFonts, WithoutFontconfigTheFilesAreRecordedUnderTheFamiliesFontconfigGives)
{
    TestSupport::TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const fs::path dejavu = RYVEL_TEST_DEJAVU_DIR;
    const fs::path withoutFc = dir.path() / "without", withFc = dir.path() / "with";
    for (const fs::path& folder : {withoutFc, withFc})
    {
        fs::create_directories(folder);
        fs::copy_file(dejavu / "DejaVuSans.ttf", folder / "Sans.ttf");
        // Two families: the typographic "DejaVu Sans" and the style-linked "... Condensed".
        fs::copy_file(dejavu / "DejaVuSansCondensed-Bold.ttf", folder / "Condensed.TTF");
        TestSupport::writeFile(folder / "Broken.ttf", std::string("true\0\1 not a font", 17));
    }
    struct Restore
    {
        ~Restore() { RuntimeLibrary::replaceForTesting(FontconfigApi::kLibrary, {}); }
    } restore;

    RuntimeLibrary::replaceForTesting(FontconfigApi::kLibrary, (dir.path() / "none.so").string());
    registerFontFolderLinux(withoutFc.string());
    RuntimeLibrary::replaceForTesting(FontconfigApi::kLibrary, {});
    registerFontFolderLinux(withFc.string());

    const std::map<std::string, std::vector<std::string>> expected = {
        {"Sans.ttf", {"DejaVu Sans"}}, {"Condensed.TTF", {"DejaVu Sans", "DejaVu Sans Condensed"}}};
    EXPECT_EQ(recordedFrom(withoutFc), expected);
    EXPECT_EQ(recordedFrom(withFc), expected);
    for (const auto& [file, count] : applicationFonts())
        EXPECT_NE(fs::path(file).parent_path(), withoutFc) << file;
}

} // namespace
} // namespace Ryvel
