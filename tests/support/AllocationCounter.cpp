// SPDX-License-Identifier: GPL-3.0-or-later
#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<long> allocations{0};
// Plain integer, so that reading it needs no initialisation that could itself allocate.
thread_local long threadAllocations = 0;

void count()
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    ++threadAllocations;
}
} // namespace

long Ryvel::Testing::allocationCount()
{
    return allocations.load(std::memory_order_relaxed);
}

long Ryvel::Testing::allocationsOnThisThread()
{
    return threadAllocations;
}

void* operator new(std::size_t size)
{
    count();
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
// The plug-in creates its classes with the nothrow form; without these it would come from the
// sanitizer's allocator and be freed by ours, which AddressSanitizer rightly calls a mismatch.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    count();
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return operator new(size, std::nothrow);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
