// SPDX-License-Identifier: GPL-3.0-or-later
#include "AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace
{
std::atomic<long> allocations{0};
std::atomic<long> liveBytes{0};
// Plain integer, so that reading it needs no initialisation that could itself allocate.
thread_local long threadAllocations = 0;

// Each block carries the size it was asked for in a header of its own, so that live bytes
// count what the program holds, not what the allocator rounded it up to (which changes
// with the allocator's own choices, such as when it starts serving large blocks from its
// arenas instead of mapping them). The header keeps the alignment malloc gives.
constexpr std::size_t kHeader = alignof(std::max_align_t);
static_assert(kHeader >= sizeof(std::size_t));

// An attempt counts as an allocation even when it fails.
void* allocate(std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    ++threadAllocations;
    if (size > SIZE_MAX - kHeader)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &size, sizeof(size));
    liveBytes.fetch_add(static_cast<long>(size), std::memory_order_relaxed);
    return block + kHeader;
}

void release(void* p) noexcept
{
    if (p == nullptr)
        return;
    unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof(size));
    liveBytes.fetch_sub(static_cast<long>(size), std::memory_order_relaxed);
    std::free(block);
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

long Ryvel::Testing::liveHeapBytes()
{
    return liveBytes.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size)
{
    if (void* p = allocate(size))
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
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void operator delete(void* p) noexcept
{
    release(p);
}
void operator delete[](void* p) noexcept
{
    release(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    release(p);
}
// Called when a constructor throws in a nothrow new; a sanitizer's own version would be handed a
// block of ours.
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    release(p);
}
