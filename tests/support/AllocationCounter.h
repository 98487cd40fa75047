// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Linking AllocationCounter.cpp replaces the global operator new for the whole process, so
// allocations made inside a dlopen'ed plug-in module are counted too.
namespace Ryvel::Testing
{
// Every allocation in the process so far.
long allocationCount();
// The allocations of the calling thread only (for tests that run several threads at once).
long allocationsOnThisThread();
} // namespace Ryvel::Testing
