// One bit for every 8-byte unit of the address space that holds a visited object: the visited set's answer for the
// addresses of a dense heap.
//
// A walk's addresses crowd into a few stretches of memory, so a bitmap of those stretches is some fifty times
// smaller than a table of the addresses themselves: at ten million objects it fits the last-level cache, where a
// table of slots would not, and never has to be rehashed. The bits of a 256 KiB stretch of the heap form a leaf of 4
// KiB; the leaves of a GiB form a table, found by the GiB's number in a small directory.
//
//   Bit(address)    the word and the bit of an address, or no word when the address is not for the bitmap: one that
//                   is not a multiple of 8, beyond 47 bits, or in a stretch whose addresses went to the caller's exact
//                   set once (kept there for good, so that no address is ever looked for in the wrong place)
//
// Beyond 32 MiB of leaves (a dense heap of 2 GiB), a leaf is made only while the bitmap stays within 16 bytes per
// address: a walk of scattered addresses (one object per stretch, say) sends further stretches to the exact set
// instead of filling memory with empty leaves.
#pragma once

#include "utilities/memory/Prefetch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace Tarn::Utilities {

class AddressBitmap {
public:
    struct Bit {
        uint64_t* mWord;  // null when the address is the exact set's
        uint64_t mMask;
    };

    AddressBitmap() = default;
    AddressBitmap(const AddressBitmap&) = delete;
    AddressBitmap& operator=(const AddressBitmap&) = delete;
    ~AddressBitmap() {
        for (Region& region : mRegions) std::free(region.mLeaves);
        for (Slab* slab = mSlabs; slab;) {
            Slab* next = slab->mNext;
            Release(slab, slab->mBytes);
            slab = next;
        }
    }

    // `addresses` is how many the caller holds, so that a new leaf can be weighed against them.
    __attribute__((always_inline)) Bit Find(const void* address, size_t addresses) {
        const uintptr_t a = reinterpret_cast<uintptr_t>(address);
        // The common case in one branch: an address of the GiB looked at last (so of 47 bits), with a leaf.
        if (__builtin_expect(((a & 7) == 0) & ((a >> kRegionShift) == mLastRegion), true))
            if (uint64_t* leaf = mLastLeaves[(a >> kLeafShift) & (kLeavesPerRegion - 1)];
                __builtin_expect(reinterpret_cast<uintptr_t>(leaf) > kExact, true))
                return BitOf(leaf, a);
        return FindElsewhere(a, addresses);
    }

    // Sends every stretch to the exact set from now on: the set as it was before it had bits, to check them against.
    void KeepNone() { mKeepsNone = true; }

    // Asks for the word of `address` when it has one already.
    void Prefetch(const void* address) const {
        const uintptr_t a = reinterpret_cast<uintptr_t>(address);
        if (a >> kRegionShift != mLastRegion) return;
        const uint64_t* leaf = mLastLeaves[(a >> kLeafShift) & (kLeavesPerRegion - 1)];
        if (reinterpret_cast<uintptr_t>(leaf) > kExact) PrefetchToWrite(&leaf[((a >> 3) & (kUnitsPerLeaf - 1)) >> 6]);
    }

private:
    static constexpr unsigned kAddressBits = 47;  // a process's half of the address space
    static constexpr unsigned kRegionShift = 30;  // a GiB
    static constexpr unsigned kLeafShift = 18;    // 256 KiB
    static constexpr size_t kLeavesPerRegion = size_t(1) << (kRegionShift - kLeafShift);
    static constexpr size_t kUnitsPerLeaf = size_t(1) << (kLeafShift - 3);
    static constexpr size_t kLeafBytes = kUnitsPerLeaf / 8;
    static constexpr size_t kRegions = 64;  // GiBs with leaves; a walk reaching more sends the rest to the exact set
    static constexpr uintptr_t kExact = 1;  // a leaf pointer that says: this stretch is the exact set's
    static constexpr size_t kBytesPerAddress = 16;   // what a new leaf may cost, at most, per address held
    static constexpr size_t kFreeBytes = size_t(32) << 20;  // what leaves may take whatever the addresses: 2 GiB of heap

    struct Region {
        uintptr_t mNumber = ~uintptr_t(0);
        uint64_t** mLeaves = nullptr;  // kLeavesPerRegion of them
    };
    struct Slab {
        Slab* mNext;
        size_t mBytes;
    };

    static Bit BitOf(uint64_t* leaf, uintptr_t a) {
        const uintptr_t unit = (a >> 3) & (kUnitsPerLeaf - 1);
        return {&leaf[unit >> 6], uint64_t(1) << (unit & 63)};
    }

    __attribute__((noinline)) Bit FindElsewhere(uintptr_t a, size_t addresses) {
        if (a & 7 || a >> kAddressBits) return {};
        uint64_t** leaves = a >> kRegionShift == mLastRegion ? mLastLeaves : FindRegion(a >> kRegionShift);
        if (!leaves) return {};
        uint64_t*& leaf = leaves[(a >> kLeafShift) & (kLeavesPerRegion - 1)];
        if (reinterpret_cast<uintptr_t>(leaf) <= kExact && !MakeLeaf(leaf, addresses)) return {};
        return BitOf(leaf, a);
    }

    uint64_t** FindRegion(uintptr_t region) {
        size_t i = (region * 0x9E3779B97F4A7C15ull) >> (64 - 6);
        for (size_t probes = 0; probes < kRegions; ++probes, i = (i + 1) & (kRegions - 1)) {
            Region& slot = mRegions[i];
            if (slot.mNumber == region) return Remember(slot);
            if (slot.mLeaves) continue;
            slot.mLeaves = static_cast<uint64_t**>(std::calloc(kLeavesPerRegion, sizeof(uint64_t*)));
            if (!slot.mLeaves) throw std::bad_alloc();
            slot.mNumber = region;
            return Remember(slot);
        }
        return nullptr;  // the directory is full: the exact set takes this GiB for good
    }

    uint64_t** Remember(const Region& slot) {
        mLastRegion = slot.mNumber;
        mLastLeaves = slot.mLeaves;
        return slot.mLeaves;
    }

    // A zeroed leaf for `leaf`, or false when the stretch belongs to the exact set (now or from before).
    bool MakeLeaf(uint64_t*& leaf, size_t addresses) {
        if (leaf) return false;
        const bool tooDear =
            mLeafBytes + kLeafBytes > kFreeBytes && mLeafBytes + kLeafBytes > kBytesPerAddress * addresses;
        if (mKeepsNone || tooDear) {
            leaf = reinterpret_cast<uint64_t*>(kExact);
            return false;
        }
        if (mSlabUsed + kLeafBytes > mSlabBytes) NewSlab();
        leaf = reinterpret_cast<uint64_t*>(mSlabFree + mSlabUsed);
        mSlabUsed += kLeafBytes;
        mLeafBytes += kLeafBytes;
        return true;
    }

    // Slabs double from four leaves (a small walk clears little) to 4 MiB, which ask for huge pages: leaves are read
    // at random, and on small pages most reads would also miss the TLB.
    void NewSlab() {
        const size_t bytes =
            mSlabs ? std::min(2 * mSlabs->mBytes, kHugeSlab) : kSlabHead + 4 * kLeafBytes;
        void* memory = nullptr;
        if (bytes >= kHugeSlab) {
            memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (memory == MAP_FAILED) throw std::bad_alloc();
            madvise(memory, bytes, MADV_HUGEPAGE);  // advice only
        } else if (!(memory = std::calloc(1, bytes))) {
            throw std::bad_alloc();
        }
        auto* slab = static_cast<Slab*>(memory);
        slab->mNext = mSlabs;
        slab->mBytes = bytes;
        mSlabs = slab;
        mSlabFree = static_cast<char*>(memory);
        mSlabUsed = kSlabHead;
        mSlabBytes = bytes;
    }

    static constexpr size_t kHugeSlab = size_t(4) << 20;
    static constexpr size_t kSlabHead = 64;  // where a slab keeps its link, before its leaves

    static void Release(Slab* slab, size_t bytes) {
        if (bytes >= kHugeSlab) munmap(slab, bytes);
        else std::free(slab);
    }

    uintptr_t mLastRegion = ~uintptr_t(0);
    uint64_t** mLastLeaves = nullptr;
    Region mRegions[kRegions];
    Slab* mSlabs = nullptr;
    char* mSlabFree = nullptr;
    size_t mSlabUsed = 0, mSlabBytes = 0;
    size_t mLeafBytes = 0;
    bool mKeepsNone = false;
};

} // namespace Tarn::Utilities
