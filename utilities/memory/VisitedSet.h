// The set of addresses a measurement has reached: the hot path of every walk.
//
// Addresses of a dense heap go to a bitmap (AddressBitmap.h): one bit an 8-byte unit, some fifty times smaller than a
// table of the addresses, so that it stays in cache where a table would miss at nearly every lookup. The rest (an
// address that is not a multiple of 8, a stretch of memory too sparse to be worth a leaf of bits) go to an exact
// table, made at its first address.
//
// The table: open addressing with linear probing over a power-of-two table that doubles at half load. An object and
// what it owns are mostly allocated together, so addresses that share a 128-byte stretch of the heap share a 64-byte
// line of slots: the stretch picks the line (by a Fibonacci multiplication, which scatters stretches evenly), the
// address's 16-byte unit within the stretch picks the slot. Tables of several megabytes ask for huge pages: lines
// land at random, and without them nearly every lookup would also miss the TLB.
#pragma once

#include "utilities/memory/AddressBitmap.h"
#include "utilities/memory/Prefetch.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace Tarn::Utilities {

class VisitedSet {
public:
    VisitedSet() = default;
    VisitedSet(const VisitedSet&) = delete;
    VisitedSet& operator=(const VisitedSet&) = delete;
    ~VisitedSet() {
        if (mSlots) Free(mSlots, mCapacity);
    }

    // True when `address` (never null) was not in the set and has been added.
    __attribute__((always_inline)) bool Insert(const void* address) {
        const AddressBitmap::Bit bit = mBits.Find(address, Count());
        if (__builtin_expect(!bit.mWord, false)) return InsertExact(address);
        if (*bit.mWord & bit.mMask) return false;
        *bit.mWord |= bit.mMask;
        ++mBitCount;
        return true;
    }

    // Asks for the memory where `address` will be looked for, so that the lookup to come does not wait for it.
    void Prefetch(const void* address) const {
        mBits.Prefetch(address);
        if (reinterpret_cast<uintptr_t>(address) & 7 && mSlots) PrefetchToWrite(&mSlots[Slot(address, mShift)]);
    }

    size_t Count() const { return mBitCount + mCount; }

    // Every address from now on in the exact table alone.
    void KeepInTable() { mBits.KeepNone(); }

private:
    static constexpr unsigned kSlotsPerLine = 8;  // 64 bytes of 8-byte slots: a 128-byte stretch of 16-byte units

    // `shift` is 64 less the bits of a line's index: the line's first slot, plus the unit within the stretch.
    static size_t Slot(const void* address, unsigned shift) {
        const uintptr_t a = reinterpret_cast<uintptr_t>(address);
        return (((a >> 7) * 0x9E3779B97F4A7C15ull) >> shift) * kSlotsPerLine + ((a >> 4) & (kSlotsPerLine - 1));
    }
    static constexpr unsigned ShiftFor(size_t capacity) { return 64 - (__builtin_ctzll(capacity / kSlotsPerLine)); }

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

    __attribute__((noinline)) bool InsertExact(const void* address) {
        if (!mSlots) mSlots = Allocate(mCapacity);
        size_t i = Slot(address, mShift);
        for (;; i = (i + 1) & (mCapacity - 1)) {
            if (mSlots[i] == address) return false;
            if (!mSlots[i]) break;
        }
        mSlots[i] = address;
        if (++mCount * 2 > mCapacity) Grow();
        return true;
    }

    __attribute__((noinline, cold)) void Grow() {
        const void** old = mSlots;
        const size_t oldCapacity = mCapacity;
        mSlots = Allocate(mCapacity * 2);
        mCapacity *= 2;
        mShift = ShiftFor(mCapacity);
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (!old[i]) continue;
            size_t j = Slot(old[i], mShift);
            while (mSlots[j]) j = (j + 1) & (mCapacity - 1);
            mSlots[j] = old[i];
        }
        Free(old, oldCapacity);
    }

    AddressBitmap mBits;
    size_t mBitCount = 0;  // addresses in the bitmap
    // 8 KiB at first: most walks put few addresses here.
    size_t mCapacity = size_t(1) << 10;
    unsigned mShift = ShiftFor(mCapacity);
    size_t mCount = 0;  // addresses in the table
    const void** mSlots = nullptr;
};

} // namespace Tarn::Utilities
