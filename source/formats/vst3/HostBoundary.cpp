// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/HostBoundary.h"

#include <atomic>
#include <cstdio>

namespace Ryvel
{

void reportStoppedException(const char* call, const char* what) noexcept
{
    static std::atomic<bool> reported{false};
    if (reported.exchange(true, std::memory_order_relaxed))
        return;
    std::fprintf(stderr,
                 "Ryvel: %s failed: an exception (%s) was stopped before it reached the host; "
                 "later ones are not reported\n",
                 call, what != nullptr ? what : "not a std::exception");
}

} // namespace Ryvel
