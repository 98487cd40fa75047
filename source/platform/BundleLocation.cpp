// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BundleLocation.h"

#include <dlfcn.h>

namespace Ryvel
{

std::string bundleResourcesFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&bundleResourcesFolder), &info) == 0 ||
        info.dli_fname == nullptr || info.dli_fname[0] == '\0')
        return {};
    // Ryvel.vst3/Contents/x86_64-linux/Ryvel.so -> Ryvel.vst3/Contents
    std::string path = info.dli_fname;
    for (int i = 0; i < 2; ++i)
    {
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos)
            return {};
        path.erase(slash);
    }
    return path + "/Resources";
}

} // namespace Ryvel
