// HeapCheck: the live heap blocks of the process, as the heap check library (libTarnHeapCheck.so) records them.
//
//   LD_PRELOAD=libTarnHeapCheck.so TARN_HEAPCHECK_STACKS=1 ./host     # or link the host against Tarn::HeapCheck
//
//   if (Tarn::Utilities::HeapCheck::Loaded()) {
//       const Tarn::Utilities::HeapBlocks blocks = Tarn::Utilities::HeapCheck::Blocks();
//       if (const Tarn::Utilities::HeapBlock* block = blocks.Find(address)) ...;
//   }
//
// The library interposes malloc, calloc, realloc, free, aligned_alloc, posix_memalign, memalign, valloc, pvalloc and
// every form of operator new and delete, and keeps each live block's address, requested size and, while stacks are
// recorded, the few frames of the call that allocated it. It depends on nothing of the engine or the accountant.
// The functions here find it at run time by its entry points (below): without it, Loaded() is false and every
// question gets an empty answer, so that a program that may run without the check need not link it.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tarn::Utilities {

// How a block was allocated: an array made by new[] may begin with a cookie (its element count) before its first
// element, for element types with a destructor; aligned arrays' cookies take the alignment.
enum class HeapKind : uint8_t { Malloc, New, NewArray, NewAligned, NewArrayAligned };

struct HeapBlock {
    const void* mAddress;
    uint64_t mBytes;     // as requested of the allocator
    uint32_t mStack;     // the allocating call's frames (HeapCheck::Stack), 0 when not recorded
    HeapKind mKind;
};

// The live blocks at one moment, by rising address. Blocks allocated or freed after it was taken are not in it.
class TARN_API HeapBlocks {
public:
    HeapBlocks() = default;
    // Blocks given by hand, for checks of a heap the library did not record; sorted here.
    explicit HeapBlocks(std::vector<HeapBlock> blocks);
    HeapBlocks(HeapBlocks&& other) noexcept;
    HeapBlocks& operator=(HeapBlocks&& other) noexcept;
    HeapBlocks(const HeapBlocks&) = delete;
    HeapBlocks& operator=(const HeapBlocks&) = delete;
    ~HeapBlocks();

    size_t Size() const { return mCount; }
    const HeapBlock& operator[](size_t i) const { return mBlocks[i]; }
    const HeapBlock* begin() const { return mBlocks; }
    const HeapBlock* end() const { return mBlocks + mCount; }
    uint64_t Bytes() const;
    // The block whose bytes hold `address` (a block of 0 bytes holds its own address), or null.
    const HeapBlock* Find(const void* address) const;

private:
    friend class HeapCheck;
    HeapBlocks(HeapBlock* mapped, size_t count) : mBlocks(mapped), mCount(count), mMapped(true) {}
    void Release();

    HeapBlock* mBlocks = nullptr;
    size_t mCount = 0;
    bool mMapped = false;  // taken from the library, given back to it
    std::vector<HeapBlock> mOwned;
};

class TARN_API HeapCheck {
public:
    // Whether the heap check library is in the process.
    static bool Loaded();
    // The live blocks now; none without the library.
    static HeapBlocks Blocks();
    // The live block holding `address`, searched for in the library's tables without taking a snapshot (slow: every
    // block is looked at). False when none does or without the library.
    static bool Containing(const void* address, HeapBlock& block);
    // Whether allocations from now on record their stacks; TARN_HEAPCHECK_STACKS=1 in the environment turns it on
    // from the start. No effect without the library.
    static void RecordStacks(bool on);
    static bool RecordsStacks();
    // The frames of stack `id`, innermost first, the allocator's own left out.
    static std::vector<const void*> Stack(uint32_t id);
    // One frame as `function+0x1c (module)`, named when it is printed: the module's exported name demangled, or the
    // module and the offset in it for addr2line.
    static std::string Describe(const void* frame);
};

} // namespace Tarn::Utilities

// The library's entry points, which HeapCheck finds with dlsym. Blocks of a snapshot lie in memory the library mapped
// (never allocated through the heap it watches), given back with tarn_heapcheck_release.
extern "C" {
unsigned tarn_heapcheck_version(void);
size_t tarn_heapcheck_snapshot(Tarn::Utilities::HeapBlock** blocks);
void tarn_heapcheck_release(Tarn::Utilities::HeapBlock* blocks, size_t count);
int tarn_heapcheck_containing(const void* address, Tarn::Utilities::HeapBlock* block);
void tarn_heapcheck_record_stacks(int on);
int tarn_heapcheck_records_stacks(void);
int tarn_heapcheck_stack(uint32_t id, void** frames, int capacity);
}
