// HeapFindings on a scene of one object whose walker makes one fault at a time: each finding shows exactly the fault
// it names, and the report never changes for the check. Under the heap check (tarn_heapcheck_tests) the blocks are the
// live heap's, with their stacks; without it (tarn_tests, also in the sanitizer builds) the crate's three blocks given
// by hand.
#include "utilities/heapcheck/HeapCheck.h"
#include "utilities/memory/HeapFindings.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walkers/HostWalkers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

using Tarn::Utilities::HeapBlock;
using Tarn::Utilities::HeapCheck;
using Tarn::Utilities::HeapFindings;
using Tarn::Utilities::RecordMemory;

namespace Tarn::Testing::Heap {

enum class Fault { None, Forgotten, OverBooked, Twice, OffTheHeap, Inside };
Fault gFault = Fault::None;
float gTable[8];

// An element type with a destructor: its arrays begin with a cookie.
struct Tagged {
    ~Tagged() { mTag = 0; }
    long mTag = 1;
};

class Crate : public Objects::ARefCounted {
public:
    ~Crate() override {
        delete[] mSamples;
        delete[] mTagged;
    }
    float* mSamples = nullptr;
    int mCount = 0;
    Tagged* mTagged = nullptr;  // 3 of them
    double mInline[4] = {};
    float* mTable = gTable;
};

inline void WalkMembers(Crate& crate, Utilities::Walking& walk) {
    const size_t bytes = size_t(crate.mCount) * sizeof(float);
    walk.Block(crate.mTagged, 3 * sizeof(Tagged));
    switch (gFault) {
    case Fault::None: walk.Block(crate.mSamples, bytes); break;
    case Fault::Forgotten: break;
    case Fault::OverBooked: walk.Block(crate.mSamples, bytes + 16); break;
    case Fault::Twice:
        walk.Block(crate.mSamples, bytes);
        walk.Block(crate.mInline, sizeof crate.mInline);
        break;
    case Fault::OffTheHeap:
        walk.Block(crate.mSamples, bytes);
        walk.Block(crate.mTable, sizeof gTable);
        break;
    case Fault::Inside: walk.Block(crate.mSamples + 3, bytes - 12); break;
    }
}

// Allocates the crate's samples, so that the stacks of unbooked blocks name it.
__attribute__((noinline)) Crate* MakeCrate(int count) {
    auto* crate = new Crate;
    crate->mCount = count;
    crate->mSamples = new float[size_t(count)]();  // zeroes: no stale word for the scan to take for a pointer
    crate->mTagged = new Tagged[3];
    return crate;
}

// The live blocks: the heap's, or the crate's own without the heap check.
Utilities::HeapBlocks BlocksOf(const Crate& crate) {
    if (Utilities::HeapCheck::Loaded()) return Utilities::HeapCheck::Blocks();
    using Utilities::HeapKind;
    return Utilities::HeapBlocks({{&crate, sizeof(Crate), 0, HeapKind::New},
                                  {crate.mSamples, crate.mCount * sizeof(float), 0, HeapKind::NewArray},
                                  {reinterpret_cast<const char*>(crate.mTagged) - sizeof(size_t),
                                   3 * sizeof(Tagged) + sizeof(size_t), 0, HeapKind::NewArray}});
}

} // namespace Tarn::Testing::Heap

namespace {

using namespace Tarn::Testing::Heap;

struct Findings {
    const char* mName;
    Fault mFault;
    uint64_t mUnclassified;
    uint64_t mOverBooked;
    uint64_t mDoubleBooked;
    size_t mNotABlock;
};
void PrintTo(const Findings& findings, std::ostream* out) { *out << findings.mName; }

constexpr int kSamples = 10;  // 40 bytes

const Findings kFindings[] = {
    {"a walker exact to the byte", Fault::None, 0, 0, 0, 0},
    {"a member the walker forgot", Fault::Forgotten, 40, 0, 0, 0},
    {"a block booked larger than allocated", Fault::OverBooked, 0, 16, 0, 0},
    {"an embedded member booked again as a block", Fault::Twice, 0, 0, 32, 0},
    {"a booking of static memory", Fault::OffTheHeap, 0, 0, 0, 1},
    // Booked from its fourth element: no block begins there, and its first 12 bytes go unbooked.
    {"a block booked from inside", Fault::Inside, 12, 0, 0, 1},
};

class HeapFindingsOfOneFault : public ::testing::TestWithParam<Findings> {
protected:
    void SetUp() override {
        HeapCheck::RecordStacks(true);
        mCrate.reset(MakeCrate(kSamples));
        HeapCheck::RecordStacks(false);
        gFault = GetParam().mFault;
    }
    void TearDown() override { gFault = Fault::None; }

    std::unique_ptr<Crate> mCrate;
};

TEST_P(HeapFindingsOfOneFault, ShowsExactlyThatFault) {
    const Findings& expected = GetParam();
    RecordMemory recorder;
    recorder.KeepGraph();
    Tarn::Utilities::WalkObjectImpl<Crate>::Instance().Walk(mCrate.get(), &recorder);
    const HeapFindings findings = HeapFindings::Of(recorder, BlocksOf(*mCrate));
    const std::string section = findings.Print();

    // The crate, its samples and its tagged array, cookie and all.
    const uint64_t reached = sizeof(Crate) + kSamples * sizeof(float) + 3 * sizeof(Tagged) + sizeof(size_t);
    EXPECT_EQ(findings.mReachedBlocks, 3u) << section;
    EXPECT_EQ(findings.mReachedBytes, reached) << section;
    EXPECT_EQ(findings.mBookedBytes, reached - expected.mUnclassified) << section;
    EXPECT_EQ(findings.mUnclassifiedBytes, expected.mUnclassified) << section;
    EXPECT_EQ(findings.mOverBookedBytes, expected.mOverBooked) << section;
    EXPECT_EQ(findings.mDoubleBookedBytes, expected.mDoubleBooked) << section;
    EXPECT_EQ(findings.mNotABlock.size(), expected.mNotABlock) << section;
    EXPECT_TRUE(findings.mBookedUnreached.empty()) << section;
}

INSTANTIATE_TEST_SUITE_P(HeapFindings, HeapFindingsOfOneFault, ::testing::ValuesIn(kFindings));

// What each finding names: the blocks, the bookings and the stacks behind them.
class HeapFindingsNames : public HeapFindingsOfOneFault {
protected:
    HeapFindings Walked() {
        RecordMemory recorder;
        recorder.KeepGraph();
        Tarn::Utilities::WalkObjectImpl<Crate>::Instance().Walk(mCrate.get(), &recorder);
        return HeapFindings::Of(recorder, BlocksOf(*mCrate));
    }
    const void* Samples() const { return mCrate->mSamples; }
    uint64_t SamplesOffset() const {
        return uint64_t(reinterpret_cast<const char*>(&mCrate->mSamples) - reinterpret_cast<const char*>(mCrate.get()));
    }
};

TEST_P(HeapFindingsNames, TheBlocksAndBookingsAtFault) {
    const HeapFindings findings = Walked();
    switch (GetParam().mFault) {
    case Fault::Forgotten: {
        ASSERT_EQ(findings.mUnclassified.size(), 1u);
        const HeapFindings::Unclassified& unbooked = findings.mUnclassified[0];
        EXPECT_EQ(unbooked.mBlock.mAddress, Samples());
        EXPECT_STREQ(unbooked.mHolder, "Tarn::Testing::Heap::Crate");
        EXPECT_EQ(unbooked.mHolderOffset, SamplesOffset());
        ASSERT_EQ(findings.mUnclassifiedByStack.size(), 1u);
        if (!HeapCheck::Loaded()) break;
        const std::vector<const void*> stack = HeapCheck::Stack(findings.mUnclassifiedByStack[0].mStack);
        ASSERT_FALSE(stack.empty());
        EXPECT_NE(HeapCheck::Describe(stack[0]).find("Tarn::Testing::Heap::MakeCrate(int)+0x"), std::string::npos);
        EXPECT_NE(findings.Print().find("\n    Tarn::Testing::Heap::MakeCrate(int)+0x"), std::string::npos)
            << findings.Print();
        break;
    }
    case Fault::OverBooked:
        ASSERT_EQ(findings.mOverBooked.size(), 1u);
        EXPECT_STREQ(findings.mOverBooked[0].mBooking.mDynamicType, "float*");
        EXPECT_EQ(findings.mOverBooked[0].mBlock.mAddress, Samples());
        EXPECT_EQ(findings.mOverBooked[0].mBeyond, 16u);
        {
            char samples[32];
            std::snprintf(samples, sizeof samples, "%p", Samples());
            const std::string reached = std::to_string(sizeof(Crate) + 40 + 3 * sizeof(Tagged) + sizeof(size_t));
            const std::string text = findings.Print();
            EXPECT_EQ(text.substr(text.find("\nReached")),
                      "\nReached from the roots: " + reached + " bytes in 3 blocks\n"
                      "Booked: " + reached + " bytes (100.00%)\n"
                      "Heap-unclassified: 0 bytes in 0 blocks\n"
                      "Over-booked: 16 bytes in 1 bookings\n"
                      "Double-booked: 0 bytes in 0 overlaps\n"
                      "Not a block: 0 bookings\n"
                      "\n"
                      "Over-booked, most first\n"
                      "float* at " + samples + ": booked 56 bytes, 16 bytes past its block of 40 bytes at " + samples + "\n");
        }
        break;
    case Fault::Twice:
        ASSERT_EQ(findings.mDoubleBooked.size(), 1u);
        EXPECT_STREQ(findings.mDoubleBooked[0].mOuter.mDynamicType, "Tarn::Testing::Heap::Crate");
        EXPECT_STREQ(findings.mDoubleBooked[0].mInner.mDynamicType, "double*");
        EXPECT_EQ(findings.mDoubleBooked[0].mInner.mAddress, mCrate->mInline);
        break;
    case Fault::OffTheHeap:
        ASSERT_EQ(findings.mNotABlock.size(), 1u);
        EXPECT_EQ(findings.mNotABlock[0].mBooking.mAddress, gTable);
        EXPECT_EQ(findings.mNotABlock[0].mBlock.mAddress, nullptr);
        break;
    case Fault::Inside:
        ASSERT_EQ(findings.mNotABlock.size(), 1u);
        EXPECT_EQ(findings.mNotABlock[0].mBlock.mAddress, Samples());
        EXPECT_NE(findings.Print().find(": 12 bytes into the block at "), std::string::npos) << findings.Print();
        break;
    case Fault::None: EXPECT_EQ(findings.BookedShare(), 1.0); break;
    }
}

INSTANTIATE_TEST_SUITE_P(HeapFindings, HeapFindingsNames, ::testing::ValuesIn(kFindings));

TEST(HeapFindings, LeaveTheReportAsItWas) {
    std::unique_ptr<Crate> crate(MakeCrate(kSamples));
    for (const Findings& fault : kFindings) {
        gFault = fault.mFault;
        RecordMemory plain;
        Tarn::Utilities::WalkObjectImpl<Crate>::Instance().Walk(crate.get(), &plain);
        RecordMemory checked;
        checked.KeepGraph();
        Tarn::Utilities::WalkObjectImpl<Crate>::Instance().Walk(crate.get(), &checked);
        const std::string before(checked.GetResults());
        HeapFindings::Of(checked, BlocksOf(*crate)).Print();
        EXPECT_EQ(std::string(checked.GetResults()), before) << fault.mName;
        EXPECT_EQ(before, std::string(plain.GetResults())) << fault.mName;
    }
    gFault = Fault::None;
}

TEST(HeapFindings, NeedTheKeptGraph) {
    RecordMemory recorder;
    EXPECT_THROW(HeapFindings::Of(recorder, HeapCheck::Blocks()), std::logic_error);
}

TEST(HeapFindings, SpareTheGraphicsApisBookings) {
    for (const char* name : {"IDirect3DSwapChain9", "IDXGISwapChain", "ID3D10Texture2D", "Dx10 VertexBuffer",
                             "OGL IndexBuffer", "Tarn::Devices::IGLTexture", "Tarn::Devices::GLFrameBuffer"})
        EXPECT_TRUE(HeapFindings::GraphicsApi(name)) << name;
    for (const char* name : {"Tarn::Devices::TextureDx9", "unsigned char*", "Tarn::Devices::SwapChainGL", "IDirect"})
        EXPECT_FALSE(HeapFindings::GraphicsApi(name)) << name;
}

} // namespace
