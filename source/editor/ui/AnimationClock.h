// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the controls' animations read the time. Their timers ask for a tick every 16 ms, but a
// host that drives the toolkit from a slow idle call (LV2 hosts call it about 30 times a second)
// fires them only that often; an animation that advanced by a fixed step per tick would then
// last twice as long. So each tick reads the clock and draws the state for the time elapsed.
// Tests substitute a clock of their own and move it by hand.

#include <chrono>
#include <functional>

namespace Ryvel::ui
{

// Milliseconds on a monotonic clock; only differences mean anything.
using AnimationClock = std::function<double()>;

inline double steadyMilliseconds()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace Ryvel::ui
