// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/RuntimeLibrary.h"

#include <dlfcn.h>

#include <array>
#include <cstring>
#include <stdexcept>

namespace Ryvel::RuntimeLibrary
{
namespace
{

// Plain fixed storage, like the loaded functions: a worker that loads during process exit must
// not meet a destroyed container.
struct Replacement
{
    std::array<char, 64> soname;
    std::array<char, 1024> file;
};

std::mutex replacementMutex;
std::array<Replacement, 4> replacements{};

} // namespace

void* open(const char* soname) noexcept
{
    if (!soname)
        return nullptr;
    const std::string replacement = replacementFor(soname);
    // RTLD_LOCAL: the library's symbols stay out of the host's global scope, as a NEEDED entry
    // of a module the host opened locally would. RTLD_NODELETE: never unloaded (see the header).
    return dlopen(replacement.empty() ? soname : replacement.c_str(),
                  RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

void* function(void* library, const char* name) noexcept
{
    return library && name ? dlsym(library, name) : nullptr;
}

std::string replacementFor(const char* soname) noexcept
{
    try
    {
        const std::lock_guard lock(replacementMutex);
        for (const Replacement& r : replacements)
            if (r.soname[0] != '\0' && std::strcmp(r.soname.data(), soname) == 0)
                return r.file.data();
        return {};
    }
    catch (...)
    {
        return {};
    }
}

void replaceForTesting(const std::string& soname, const std::string& file)
{
    if (soname.empty() || soname.size() >= Replacement{}.soname.size() ||
        file.size() >= Replacement{}.file.size())
        throw std::length_error("replaceForTesting: name too long");
    const std::lock_guard lock(replacementMutex);
    Replacement* slot = nullptr;
    for (Replacement& r : replacements)
        if (std::strcmp(r.soname.data(), soname.c_str()) == 0 || (!slot && r.soname[0] == '\0'))
            slot = &r;
    if (!slot)
        throw std::length_error("replaceForTesting: too many replacements");
    *slot = Replacement{};
    if (!file.empty())
    {
        std::memcpy(slot->soname.data(), soname.c_str(), soname.size());
        std::memcpy(slot->file.data(), file.c_str(), file.size());
    }
}

} // namespace Ryvel::RuntimeLibrary
