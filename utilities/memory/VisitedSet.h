// The set of addresses a measurement has reached: the hot path of every walk.
//
// Open addressing with linear probing over a power-of-two table that doubles at half load. Heap addresses
// are multiples of 16, so the address is mixed by a Fibonacci multiplication before it picks a slot: every
// lookup reads one short run of neighbouring slots, at ten addresses or ten million.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>

namespace Tarn::Utilities {

class VisitedSet {
public:
    VisitedSet() : mSlots(Allocate(mCapacity)) {}
    VisitedSet(const VisitedSet&) = delete;
    VisitedSet& operator=(const VisitedSet&) = delete;
    ~VisitedSet() { std::free(mSlots); }

    // True when `address` (never null) was not in the set and has been added.
    bool Insert(const void* address) {
        size_t i = Slot(address, mBits);
        for (;; i = (i + 1) & (mCapacity - 1)) {
            if (mSlots[i] == address) return false;
            if (!mSlots[i]) break;
        }
        mSlots[i] = address;
        if (++mCount * 2 > mCapacity) Grow();
        return true;
    }

    size_t Count() const { return mCount; }

private:
    static size_t Slot(const void* address, unsigned bits) {
        return (reinterpret_cast<uintptr_t>(address) * 0x9E3779B97F4A7C15ull) >> (64 - bits);
    }

    static const void** Allocate(size_t capacity) {
        auto* slots = static_cast<const void**>(std::calloc(capacity, sizeof(void*)));
        if (!slots) throw std::bad_alloc();
        return slots;
    }

    void Grow() {
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
        std::free(old);
    }

    unsigned mBits = 16;
    size_t mCapacity = size_t(1) << 16;
    size_t mCount = 0;
    const void** mSlots;
};

} // namespace Tarn::Utilities
