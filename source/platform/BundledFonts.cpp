// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BundledFonts.h"

#include <algorithm>
#include <mutex>

namespace Ryvel
{
namespace
{

struct Registry
{
    std::mutex mutex;
    std::vector<BundledFonts::Entry> entries;
};

Registry& registry() noexcept
{
    static Registry instance;
    return instance;
}

} // namespace

std::vector<BundledFonts::Entry> BundledFonts::all() noexcept
{
    try
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        return r.entries;
    }
    catch (...)
    {
        return {};
    }
}

bool BundledFonts::hasFamily(std::string_view family) noexcept
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return std::any_of(r.entries.begin(), r.entries.end(),
                       [&](const Entry& e) { return e.family == family; });
}

void BundledFonts::record(std::string_view file, std::string_view family) noexcept
{
    try
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        const bool known =
            std::any_of(r.entries.begin(), r.entries.end(),
                        [&](const Entry& e) { return e.file == file && e.family == family; });
        if (!known)
            r.entries.push_back({std::string(file), std::string(family)});
    }
    catch (...)
    {
        // Out of memory: the font stays registered, only the editor's fallback decides.
    }
}

} // namespace Ryvel
