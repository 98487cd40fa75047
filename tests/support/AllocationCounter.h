// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Linking AllocationCounter.cpp replaces the global operator new for the whole process, so
// allocations made inside a dlopen'ed plug-in module are counted too.
namespace Ryvel::Testing
{
long allocationCount();
}
