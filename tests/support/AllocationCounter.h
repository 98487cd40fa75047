// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Linking AllocationCounter.cpp replaces the global operator new and delete for the whole
// process, so allocations made inside a dlopen'ed plug-in module are counted too. The
// over-aligned forms are not replaced: nothing in the plug-in uses them. Each block carries a
// small header, which AddressSanitizer sees as part of the block: an under-run of up to 16
// bytes goes unreported in the test programs that link this file.
namespace Ryvel::Testing
{
// Every allocation in the process so far.
long allocationCount();
// The allocations of the calling thread only (for tests that run several threads at once).
long allocationsOnThisThread();
// Bytes held through operator new right now, as they were asked for. Unlike resident memory it
// does not move with allocator arenas, thread stacks or pages the allocator keeps: two readings
// at the same point of a program's life are equal unless something was leaked (or is kept on
// purpose) in between.
long liveHeapBytes();
} // namespace Ryvel::Testing
