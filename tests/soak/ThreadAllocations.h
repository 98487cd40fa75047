// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Linking ThreadAllocations.cpp replaces the global operator new for the whole process (the
// dlopen'ed module included) and counts per thread, so that one audio thread's count is not
// disturbed by what other threads of the same process allocate meanwhile.
namespace Ryvel::Testing
{
long allocationsOnThisThread();
}
