// The heap check library under this program's allocator (CTest preloads it): every way of allocating recorded with
// its requested size and kind, forgotten when freed, from any thread; stacks when asked.
#include "utilities/heapcheck/HeapCheck.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <new>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

using Tarn::Utilities::HeapBlock;
using Tarn::Utilities::HeapBlocks;
using Tarn::Utilities::HeapCheck;
using Tarn::Utilities::HeapKind;

namespace Tarn::Testing {

// Named in the stacks the check records: exported from the test program, never inlined.
__attribute__((noinline)) void* AllocateHere(size_t bytes) {
    void* block = std::malloc(bytes);
    asm volatile("" ::"r"(block) : "memory");
    return block;
}

} // namespace Tarn::Testing

namespace {

struct WithDestructor {
    ~WithDestructor() { mValue = 0; }
    int mValue = 1;
};
struct alignas(64) Wide {
    char mBytes[64];
};

// What one way of allocating made: the pointer it answered, where its block begins, and how to give it back.
struct Made {
    void* mPointer;
    const void* mBlock;
    std::function<void()> mRelease;
};
struct Allocation {
    const char* mName;
    std::function<Made()> mMake;
    uint64_t mBytes;
    HeapKind mKind;
    size_t mAlignment = 16;
};
void PrintTo(const Allocation& allocation, std::ostream* out) { *out << allocation.mName; }

Made Malloced(void* p) { return {p, p, [p] { std::free(p); }}; }

const Allocation kAllocations[] = {
    {"malloc", [] { return Malloced(std::malloc(100)); }, 100, HeapKind::Malloc},
    {"malloc of nothing", [] { return Malloced(std::malloc(0)); }, 0, HeapKind::Malloc},
    {"calloc", [] { return Malloced(std::calloc(3, 40)); }, 120, HeapKind::Malloc},
    {"realloc growing",
     [] {
         void* p = std::malloc(24);
         std::memset(p, 7, 24);
         return Malloced(std::realloc(p, 200000));
     },
     200000, HeapKind::Malloc},
    {"realloc shrinking", [] { return Malloced(std::realloc(std::malloc(4096), 10)); }, 10, HeapKind::Malloc},
    {"realloc of null", [] { return Malloced(std::realloc(nullptr, 33)); }, 33, HeapKind::Malloc},
    {"aligned_alloc", [] { return Malloced(std::aligned_alloc(64, 192)); }, 192, HeapKind::Malloc, 64},
    {"posix_memalign",
     [] {
         void* p = nullptr;
         return Malloced(posix_memalign(&p, 256, 100) == 0 ? p : nullptr);
     },
     100, HeapKind::Malloc, 256},
    {"memalign", [] { return Malloced(memalign(128, 40)); }, 40, HeapKind::Malloc, 128},
    {"new",
     [] {
         auto* p = new long(5);
         return Made{p, p, [p] { delete p; }};
     },
     sizeof(long), HeapKind::New},
    {"new[] nothrow",
     [] {
         auto* p = new (std::nothrow) double[3];
         return Made{p, p, [p] { delete[] p; }};
     },
     3 * sizeof(double), HeapKind::NewArray},
    {"new[] without a cookie",
     [] {
         auto* p = new int[10];
         return Made{p, p, [p] { delete[] p; }};
     },
     40, HeapKind::NewArray},
    // The array's first element lies past the count of its elements, which delete[] reads.
    {"new[] with its cookie",
     [] {
         auto* p = new WithDestructor[3];
         return Made{p, reinterpret_cast<char*>(p) - sizeof(size_t), [p] { delete[] p; }};
     },
     3 * sizeof(WithDestructor) + sizeof(size_t), HeapKind::NewArray},
    {"aligned new",
     [] {
         auto* p = new Wide;
         return Made{p, p, [p] { delete p; }};
     },
     64, HeapKind::NewAligned, 64},
    {"aligned new[]",
     [] {
         auto* p = new Wide[2];
         return Made{p, p, [p] { delete[] p; }};
     },
     128, HeapKind::NewArrayAligned, 64},
};

class Allocations : public ::testing::TestWithParam<Allocation> {};

TEST_P(Allocations, AreRecordedAtTheirRequestedSizeAndForgottenWhenFreed) {
    ASSERT_TRUE(HeapCheck::Loaded());
    const Allocation& allocation = GetParam();
    const Made made = allocation.mMake();
    ASSERT_NE(made.mPointer, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(made.mBlock) % allocation.mAlignment, 0u);

    HeapBlock live{};
    ASSERT_TRUE(HeapCheck::Containing(made.mPointer, live));
    EXPECT_EQ(live.mAddress, made.mBlock);
    EXPECT_EQ(live.mBytes, allocation.mBytes);
    EXPECT_EQ(live.mKind, allocation.mKind);
    const HeapBlocks blocks = HeapCheck::Blocks();
    const HeapBlock* found = blocks.Find(made.mPointer);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->mAddress, made.mBlock);
    EXPECT_EQ(found->mBytes, allocation.mBytes);
    if (allocation.mBytes > 1) {
        EXPECT_EQ(blocks.Find(static_cast<const char*>(made.mBlock) + allocation.mBytes - 1), found);
        EXPECT_NE(blocks.Find(static_cast<const char*>(made.mBlock) + allocation.mBytes), found);
    }

    made.mRelease();
    EXPECT_FALSE(HeapCheck::Containing(made.mBlock, live));
}

INSTANTIATE_TEST_SUITE_P(HeapCheck, Allocations, ::testing::ValuesIn(kAllocations));

TEST(HeapCheck, CallocGivesZeroesAndReallocKeepsTheBytes) {
    auto* zeroes = static_cast<unsigned char*>(std::calloc(50, 4));
    EXPECT_EQ(std::set<unsigned char>(zeroes, zeroes + 200), std::set<unsigned char>{0});
    volatile uintptr_t was = reinterpret_cast<uintptr_t>(zeroes);  // only compared, never used

    auto* kept = static_cast<unsigned char*>(std::realloc(zeroes, 300000));
    EXPECT_EQ(std::set<unsigned char>(kept, kept + 200), std::set<unsigned char>{0});
    HeapBlock live{};
    ASSERT_TRUE(HeapCheck::Containing(kept, live));
    EXPECT_EQ(live.mBytes, 300000u);
    const auto* before = reinterpret_cast<const void*>(uintptr_t(was));
    if (kept != before) {
        EXPECT_FALSE(HeapCheck::Containing(before, live) && live.mAddress == before);
    }
    std::free(kept);
}

// Counts the live blocks of `bytes` bytes among `addresses`.
size_t LiveAmong(const std::vector<void*>& addresses, uint64_t bytes) {
    const HeapBlocks blocks = HeapCheck::Blocks();
    size_t live = 0;
    for (void* address : addresses) {
        const HeapBlock* block = blocks.Find(address);
        live += block && block->mAddress == address && block->mBytes == bytes;
    }
    return live;
}

TEST(HeapCheck, ForgetsBlocksFreedByAnotherThread) {
    constexpr uint64_t kOddSize = 1003;
    std::vector<void*> made(1000);
    std::thread([&] {
        for (void*& block : made) block = std::malloc(kOddSize);
    }).join();
    EXPECT_EQ(LiveAmong(made, kOddSize), made.size());
    std::thread([&] {
        for (void* block : made) std::free(block);
    }).join();
    EXPECT_EQ(LiveAmong(made, kOddSize), 0u);
}

TEST(HeapCheck, KeepsExactlyTheLiveBlocksOfThreadsAllocatingAtOnce) {
    constexpr uint64_t kOddSize = 777;
    constexpr int kEach = 20000;
    std::vector<void*> kept[2];
    const auto churn = [&](std::vector<void*>& keep) {
        std::vector<void*> batch;
        for (int i = 0; i < kEach; ++i) {
            batch.push_back(std::malloc(kOddSize));
            if (batch.size() == 64) {
                keep.push_back(batch[size_t(i) % 64]);
                batch[size_t(i) % 64] = nullptr;
                for (void* block : batch) std::free(block);
                batch.clear();
            }
        }
        for (void* block : batch) std::free(block);
    };
    std::thread first(churn, std::ref(kept[0])), second(churn, std::ref(kept[1]));
    first.join();
    second.join();
    std::vector<void*> all = kept[0];
    all.insert(all.end(), kept[1].begin(), kept[1].end());
    EXPECT_EQ(LiveAmong(all, kOddSize), all.size());
    size_t liveOfTheSize = 0;
    for (const HeapBlock& block : HeapCheck::Blocks()) liveOfTheSize += block.mBytes == kOddSize;
    EXPECT_EQ(liveOfTheSize, all.size());
    for (void* block : all) std::free(block);
}

TEST(HeapCheck, RecordsTheAllocatingStackOnlyWhenAsked) {
    HeapCheck::RecordStacks(true);
    void* first = Tarn::Testing::AllocateHere(48);
    void* second = Tarn::Testing::AllocateHere(48);
    HeapCheck::RecordStacks(false);
    void* unrecorded = Tarn::Testing::AllocateHere(48);

    HeapBlock a{}, b{}, c{};
    ASSERT_TRUE(HeapCheck::Containing(first, a) && HeapCheck::Containing(second, b) && HeapCheck::Containing(unrecorded, c));
    EXPECT_NE(a.mStack, 0u);
    EXPECT_EQ(c.mStack, 0u);
    // One call site, one stack, kept once.
    const std::vector<const void*> frames = HeapCheck::Stack(a.mStack);
    const std::vector<const void*> again = HeapCheck::Stack(b.mStack);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(std::vector<const void*>(frames.begin(), frames.begin() + 1), std::vector<const void*>(again.begin(), again.begin() + 1));
    EXPECT_NE(HeapCheck::Describe(frames[0]).find("Tarn::Testing::AllocateHere(unsigned long)+0x"), std::string::npos)
        << HeapCheck::Describe(frames[0]);
    EXPECT_TRUE(HeapCheck::Stack(0).empty());
    for (void* block : {first, second, unrecorded}) std::free(block);
}

TEST(HeapBlocks, FindTheBlockHoldingAnAddress) {
    alignas(16) static char heap[256];
    const HeapBlocks blocks({{heap + 64, 32, 0, HeapKind::Malloc},
                             {heap, 16, 0, HeapKind::New},
                             {heap + 32, 0, 0, HeapKind::Malloc}});
    const struct {
        int mOffset;
        const void* mBlock;
    } kCases[] = {{0, heap},        {15, heap},    {16, nullptr}, {32, heap + 32}, {33, nullptr},
                  {64, heap + 64},  {95, heap + 64}, {96, nullptr}};
    for (const auto& at : kCases) {
        const HeapBlock* block = blocks.Find(heap + at.mOffset);
        EXPECT_EQ(block ? block->mAddress : nullptr, at.mBlock) << "at offset " << at.mOffset;
    }
    EXPECT_EQ(blocks.Bytes(), 48u);
    EXPECT_EQ(blocks[0].mAddress, heap);
}

} // namespace
