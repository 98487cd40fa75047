// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/RyvelShared.h"

namespace RyvelShared
{

std::atomic<std::int32_t> playheadStep{-1};

static_assert(std::atomic<std::int32_t>::is_always_lock_free);

} // namespace RyvelShared
