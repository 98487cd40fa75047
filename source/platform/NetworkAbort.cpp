// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NetworkAbort.h"

#include <atomic>

namespace Ryvel::NetworkAbort
{
namespace
{
// Relaxed is enough: the flag only shortens a request; nothing is published through it.
std::atomic<int> activeAborts{0};
} // namespace

void begin() noexcept
{
    activeAborts.fetch_add(1, std::memory_order_relaxed);
}

void end() noexcept
{
    activeAborts.fetch_sub(1, std::memory_order_relaxed);
}

bool requested() noexcept
{
    return activeAborts.load(std::memory_order_relaxed) > 0;
}

} // namespace Ryvel::NetworkAbort
