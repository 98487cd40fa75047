// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Process-wide request to give up on every HTTPS request at once, used while the module is about
// to be unloaded. Scoped so that overlapping aborts do not cancel each other: requests fail fast
// while at least one abort is in force. Any thread.

namespace Ryvel::NetworkAbort
{

void begin() noexcept;
void end() noexcept;
bool requested() noexcept;

} // namespace Ryvel::NetworkAbort
