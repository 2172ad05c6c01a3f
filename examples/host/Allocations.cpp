#include "Allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace Host {
namespace {

// Every block carries its size and the count it was made in, ahead of what the caller gets; 16 bytes keep the
// caller's block aligned as malloc's is.
struct alignas(16) Header {
    size_t mBytes;
    unsigned mCount;
};

std::atomic<unsigned> gCounts{0};
thread_local unsigned tCount = 0;  // the open count's number, unique in the process; 0 when none is open
thread_local Allocated tAllocated;

void* Allocate(size_t bytes) noexcept {
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + bytes));
    if (!header) return nullptr;
    *header = {bytes, tCount};
    if (tCount) {
        tAllocated.mBytes += bytes;
        ++tAllocated.mBlocks;
    }
    return header + 1;
}

void* AllocateOrThrow(size_t bytes) {
    if (void* block = Allocate(bytes)) return block;
    throw std::bad_alloc();
}

void Free(void* block) noexcept {
    if (!block) return;
    Header* header = static_cast<Header*>(block) - 1;
    if (tCount && header->mCount == tCount) {
        tAllocated.mBytes -= header->mBytes;
        --tAllocated.mBlocks;
    }
    std::free(header);
}

} // namespace

void StartCounting() {
    tAllocated = {};
    tCount = ++gCounts;
}

Allocated StopCounting() {
    tCount = 0;
    return tAllocated;
}

} // namespace Host

void* operator new(size_t bytes) { return Host::AllocateOrThrow(bytes); }
void* operator new[](size_t bytes) { return Host::AllocateOrThrow(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return Host::Allocate(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return Host::Allocate(bytes); }
void operator delete(void* block) noexcept { Host::Free(block); }
void operator delete[](void* block) noexcept { Host::Free(block); }
void operator delete(void* block, size_t) noexcept { Host::Free(block); }
void operator delete[](void* block, size_t) noexcept { Host::Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Host::Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Host::Free(block); }
