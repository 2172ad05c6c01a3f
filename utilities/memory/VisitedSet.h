// The set of addresses a measurement has reached: the hot path of every walk.
//
// Open addressing with linear probing over a power-of-two table that doubles at half load. Heap addresses
// are multiples of 16, so the address is mixed by a Fibonacci multiplication before it picks a slot: every
// lookup reads one short run of neighbouring slots, at ten addresses or ten million. Tables of several megabytes
// ask for huge pages: lookups land at random, and without them nearly every one would also miss the TLB.
#pragma once

#include "utilities/memory/Prefetch.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace Tarn::Utilities {

class VisitedSet {
public:
    VisitedSet() : mSlots(Allocate(mCapacity)) {}
    VisitedSet(const VisitedSet&) = delete;
    VisitedSet& operator=(const VisitedSet&) = delete;
    ~VisitedSet() { Free(mSlots, mCapacity); }

    // True when `address` (never null) was not in the set and has been added.
    __attribute__((always_inline)) bool Insert(const void* address) {
        size_t i = Slot(address, mBits);
        for (;; i = (i + 1) & (mCapacity - 1)) {
            if (mSlots[i] == address) return false;
            if (!mSlots[i]) break;
        }
        mSlots[i] = address;
        if (++mCount * 2 > mCapacity) Grow();
        return true;
    }

    // Asks for the slot where `address` will be looked for, so that the lookup to come does not wait for memory.
    void Prefetch(const void* address) const { PrefetchToWrite(&mSlots[Slot(address, mBits)]); }

    size_t Count() const { return mCount; }

private:
    static size_t Slot(const void* address, unsigned bits) {
        return (reinterpret_cast<uintptr_t>(address) * 0x9E3779B97F4A7C15ull) >> (64 - bits);
    }

    static constexpr size_t kHugePage = size_t(2) << 20;

    static const void** Allocate(size_t capacity) {
        const size_t bytes = capacity * sizeof(void*);
        void* slots = nullptr;
        if (bytes >= kHugePage) {
            slots = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (slots == MAP_FAILED) throw std::bad_alloc();
            madvise(slots, bytes, MADV_HUGEPAGE);  // advice only: a kernel without it keeps small pages
        } else {
            slots = std::calloc(capacity, sizeof(void*));
            if (!slots) throw std::bad_alloc();
        }
        return static_cast<const void**>(slots);
    }

    static void Free(const void** slots, size_t capacity) {
        if (capacity * sizeof(void*) >= kHugePage) munmap(slots, capacity * sizeof(void*));
        else std::free(slots);
    }

    __attribute__((noinline, cold)) void Grow() {
        const void** old = mSlots;
        const size_t oldCapacity = mCapacity;
        mSlots = Allocate(mCapacity * 2);
        mCapacity *= 2;
        ++mBits;
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (!old[i]) continue;
            size_t j = Slot(old[i], mBits);
            while (mSlots[j]) j = (j + 1) & (mCapacity - 1);
            mSlots[j] = old[i];
        }
        Free(old, oldCapacity);
    }

    unsigned mBits = 16;
    size_t mCapacity = size_t(1) << 16;
    size_t mCount = 0;
    const void** mSlots;
};

} // namespace Tarn::Utilities
