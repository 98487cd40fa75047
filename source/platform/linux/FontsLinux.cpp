// SPDX-License-Identifier: GPL-3.0-or-later
// registerBundledFontsMac on Linux: the bundle's fonts become application fonts of fontconfig's
// current configuration, which the GUI toolkit's text rendering (cairo, pango) consults.

#include "platform/linux/FontsLinux.h"
#include "platform/BundleLocation.h"
#include "platform/BundledFonts.h"
#include "platform/PlatformServices.h"

#include <fontconfig/fontconfig.h>

#include <dirent.h>

#include <memory>
#include <string_view>
#include <vector>

namespace Ryvel
{
namespace
{

bool hasFontExtension(std::string_view name) noexcept
{
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || name.size() - dot != 4)
        return false;
    std::string ext;
    for (const char c : name.substr(dot + 1))
        ext += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return ext == "ttf" || ext == "otf";
}

std::vector<std::string> listFolder(const std::string& folder)
{
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), &closedir);
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir.get()))
        names.emplace_back(entry->d_name);
    return names;
}

// The family names fontconfig holds for `file` among the configuration's application fonts.
std::vector<std::string> applicationFamiliesOf(FcConfig* config, const std::string& file)
{
    std::vector<std::string> families;
    const FcFontSet* fonts = FcConfigGetFonts(config, FcSetApplication);
    if (!fonts)
        return families;
    for (int i = 0; i < fonts->nfont; ++i)
    {
        FcChar8* fontFile = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &fontFile) != FcResultMatch ||
            file != reinterpret_cast<const char*>(fontFile))
            continue;
        // A face may carry several family names (the typographic family and the
        // style-linked one, e.g. "Barlow Condensed" and "Barlow Condensed Medium"): keep all.
        FcChar8* family = nullptr;
        for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch;
             ++n)
            families.emplace_back(reinterpret_cast<const char*>(family));
    }
    return families;
}

} // namespace

void registerBundledFontsMac() noexcept
{
    try
    {
        const std::string resources = bundleResourcesFolder();
        if (!resources.empty())
            registerFontFolderLinux(resources + "/Fonts");
    }
    catch (...)
    {
    }
}

void registerFontFolderLinux(const std::string& folder) noexcept
{
    try
    {
        if (folder.empty())
            return;
        FcConfig* config = FcConfigGetCurrent();
        if (!config)
            return;
        for (const std::string& name : listFolder(folder))
        {
            if (!hasFontExtension(name))
                continue;
            const std::string file = folder + "/" + name;
            // fontconfig would add a second copy of an application font; the configuration
            // itself says whether this file is already there (a host may have reset it).
            std::vector<std::string> families = applicationFamiliesOf(config, file);
            if (families.empty() &&
                FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.c_str())))
                families = applicationFamiliesOf(config, file);
            for (const std::string& family : families)
                BundledFonts::record(file, family);
        }
    }
    catch (...)
    {
    }
}

} // namespace Ryvel
