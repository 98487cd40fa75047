// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>

namespace RyvelShared
{

// The pattern step playing now (0..7), or -1 when none is to be shown. One value for the whole
// process: every processor instance writes it from its audio thread, the editor's timer reads
// it. Relaxed ordering is enough: it is a display hint that guards no other memory.
extern std::atomic<std::int32_t> playheadStep;

} // namespace RyvelShared
