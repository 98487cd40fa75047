// SPDX-License-Identifier: GPL-3.0-or-later
// registerBundledFontsMac on Linux: the bundle's fonts become application fonts of fontconfig's
// current configuration, and BundledFonts records them under the families fontconfig lists.
// The editor's toolkit reads the recorded files itself, so fontconfig is optional: where it
// cannot be loaded the families come from the files' own name tables, which is what fontconfig
// reports for them too.

#include "platform/linux/FontsLinux.h"
#include "platform/BundleLocation.h"
#include "platform/BundledFonts.h"
#include "platform/FontFamilyNames.h"
#include "platform/PlatformServices.h"
#include "platform/linux/FontconfigApi.h"

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
std::vector<std::string> applicationFamiliesOf(const FontconfigApi& fc, FcConfig* config,
                                               const std::string& file)
{
    std::vector<std::string> families;
    const FcFontSet* fonts = fc.configGetFonts(config, FcSetApplication);
    if (!fonts)
        return families;
    for (int i = 0; i < fonts->nfont; ++i)
    {
        FcChar8* fontFile = nullptr;
        if (fc.patternGetString(fonts->fonts[i], FC_FILE, 0, &fontFile) != FcResultMatch ||
            file != reinterpret_cast<const char*>(fontFile))
            continue;
        // A face may carry several family names (the typographic family and the
        // style-linked one, e.g. "Barlow Condensed" and "Barlow Condensed Medium"): keep all.
        FcChar8* family = nullptr;
        for (int n = 0;
             fc.patternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
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
        const FontconfigApi* fc = FontconfigApi::get();
        FcConfig* config = fc ? fc->configGetCurrent() : nullptr;
        for (const std::string& name : listFolder(folder))
        {
            if (!hasFontExtension(name))
                continue;
            const std::string file = folder + "/" + name;
            std::vector<std::string> families;
            if (config)
            {
                // fontconfig would add a second copy of an application font; the configuration
                // itself says whether this file is already there (a host may have reset it).
                families = applicationFamiliesOf(*fc, config, file);
                if (families.empty() && fc->configAppFontAddFile(
                                            config, reinterpret_cast<const FcChar8*>(file.c_str())))
                    families = applicationFamiliesOf(*fc, config, file);
            }
            else
            {
                families = fontFamilyNamesOfFile(file);
            }
            for (const std::string& family : families)
                BundledFonts::record(file, family);
        }
    }
    catch (...)
    {
    }
}

} // namespace Ryvel
