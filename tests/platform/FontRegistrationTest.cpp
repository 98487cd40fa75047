// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestServers.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <map>
#include <set>
#include <sstream>

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

} // namespace
} // namespace Ryvel
