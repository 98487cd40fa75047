// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BundleLocation.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace Ryvel
{
namespace
{

std::string parentOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool isFolder(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string bundleResourcesFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&bundleResourcesFolder), &info) == 0 ||
        info.dli_fname == nullptr || info.dli_fname[0] == '\0')
        return {};
    // Ryvel.lv2/ryvel-ui.so -> Ryvel.lv2/Resources (LV2 keeps its binaries at the top)
    const std::string folder = parentOf(info.dli_fname);
    if (folder.empty())
        return {};
    if (isFolder(folder + "/Resources"))
        return folder + "/Resources";
    // Ryvel.vst3/Contents/x86_64-linux/Ryvel.so -> Ryvel.vst3/Contents/Resources
    const std::string contents = parentOf(folder);
    return contents.empty() ? std::string() : contents + "/Resources";
}

} // namespace Ryvel
