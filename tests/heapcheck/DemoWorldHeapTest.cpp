// The demo world held against the heap: what the object manager reaches is booked, each byte once, within its block,
// but for what the tables below list with their reasons. Run in a process of its own (CTest does), so that the heap
// holds the demo world and little else: a conservative scan may take a stale pointer in memory a block holds but does
// not use for a real one, and the fewer blocks freed before, the fewer such pointers.
#include "examples/DemoScene.h"
#include "utilities/heapcheck/HeapCheck.h"
#include "utilities/memory/HeapFindings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

using Tarn::Utilities::HeapCheck;
using Tarn::Utilities::HeapFindings;
using Tarn::Utilities::RecordMemory;

namespace {

class DemoWorldHeap : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(HeapCheck::Loaded());
        sScene = new Tarn::Demo::DemoScene(1000);
        RecordMemory plain;
        sScene->Measure(plain);
        sPlainReport = std::string(plain.GetResults());
        sRecorder = new RecordMemory;
        sRecorder->KeepGraph();
        sScene->Measure(*sRecorder);
        sFindings = new HeapFindings(HeapFindings::Of(*sRecorder, HeapCheck::Blocks()));
        sSection = sFindings->Print(1000);
    }
    static void TearDownTestSuite() {
        delete sFindings;
        delete sRecorder;
        delete sScene;
    }

    static Tarn::Demo::DemoScene* sScene;
    static RecordMemory* sRecorder;
    static HeapFindings* sFindings;
    static std::string sPlainReport, sSection;
};
Tarn::Demo::DemoScene* DemoWorldHeap::sScene = nullptr;
RecordMemory* DemoWorldHeap::sRecorder = nullptr;
HeapFindings* DemoWorldHeap::sFindings = nullptr;
std::string DemoWorldHeap::sPlainReport, DemoWorldHeap::sSection;

// The reached blocks that no walker books in full, by what holds them and their sizes.
struct Unbooked {
    const char* mHolder;
    uint64_t mBlockBytes;
    uint64_t mUnbooked;
    int mCount;
    const char* mReason;
};
const Unbooked kUnbooked[] = {
    {"Tarn::Graphics::ImageNode2<float>", 96, 64, 1,
     "the demo's Terrain, a host class with no walker on purpose: measured as the Image<float> it derives from, so "
     "its heights are not seen (the report's fifth column says so)"},
    {"Tarn::Objects::UString**", 64, 64, 2, "an interned wide name: the string table's, whoever holds the name"},
    {"Tarn::Objects::UStringA", 64, 64, 1, "an interned narrow name's text: the string table's"},
};

// Bookings of memory the check does not see as heap blocks, and why.
struct Elsewhere {
    const char* mTypePrefix;
    int mCount;
    const char* mReason;
};
const Elsewhere kNotABlock[] = {
    {"tbb::detail::d2::concurrent_queue_rep<", 1,
     "the change-packet queue's representation, from oneTBB's own allocator (libtbbmalloc), which is no malloc"},
    {"tbb::detail::d2::micro_queue<", 2, "a page of the change-packet queue, from oneTBB's own allocator"},
};
// What the queue's pages alone point at, so the scan finds no pointer to them in the heap: the queued packets and
// what they hold. The walk reached them, so they count as reached.
const char* const kHeldByTheQueue[] = {"Tarn::Graphics::ChangePacket", "Tarn::Objects::SharedMatrix", "Tarn::mat4<double>",
                                      "Tarn::Graphics::Billboard"};

TEST_F(DemoWorldHeap, LeavesTheReportAsItWas) { EXPECT_EQ(std::string(sRecorder->GetResults()), sPlainReport); }

TEST_F(DemoWorldHeap, BooksAllButTheListedBytesOfWhatTheManagerReaches) {
    EXPECT_GE(sFindings->BookedShare(), 0.995) << sSection;
    uint64_t listed = 0;
    for (const Unbooked& unbooked : kUnbooked) listed += unbooked.mUnbooked * uint64_t(unbooked.mCount);
    EXPECT_EQ(sFindings->mUnclassifiedBytes, listed) << sSection;
    EXPECT_EQ(sFindings->mReachedBytes - sFindings->mBookedBytes, listed);
}

TEST_F(DemoWorldHeap, LeavesUnbookedOnlyTheListedBlocks) {
    std::map<std::tuple<std::string, uint64_t, uint64_t>, int> found, expected;
    for (const HeapFindings::Unclassified& block : sFindings->mUnclassified)
        ++found[{block.mHolder ? block.mHolder : "a root", block.mBlock.mBytes, block.mUnbooked}];
    for (const Unbooked& unbooked : kUnbooked)
        expected[{unbooked.mHolder, unbooked.mBlockBytes, unbooked.mUnbooked}] += unbooked.mCount;
    EXPECT_EQ(found, expected) << sSection;
}

TEST_F(DemoWorldHeap, OverBooksNothingButTheGraphicsApis) {
    EXPECT_EQ(sFindings->mOverBookedBytes, 0u) << sSection;
    EXPECT_TRUE(sFindings->mOverBooked.empty());
}

// A level-of-detail consolidation node books its bins in its own size and again as their block, on purpose: the
// bins are a row of their own in the report.
TEST_F(DemoWorldHeap, BooksTwiceOnlyTheLevelOfDetailNodesBins) {
    ASSERT_FALSE(sFindings->mDoubleBooked.empty());
    for (const HeapFindings::DoubleBooked& twice : sFindings->mDoubleBooked) {
        EXPECT_STREQ(twice.mOuter.mDynamicType, "Tarn::Graphics::LODConsolidationNode");
        EXPECT_STREQ(twice.mInner.mDynamicType, "Tarn::Graphics::ConsolidationBins*");
        EXPECT_EQ(static_cast<const char*>(twice.mInner.mAddress) - static_cast<const char*>(twice.mOuter.mAddress), 128);
        EXPECT_EQ(twice.mBytes, 384u);
    }
    EXPECT_EQ(sFindings->mDoubleBookedBytes, 384 * sFindings->mDoubleBooked.size()) << sSection;
    EXPECT_NE(sPlainReport.find("\nTarn::Graphics::ConsolidationBins*\t" +
                                std::to_string(384 * sFindings->mDoubleBooked.size()) + "\t"),
              std::string::npos);
}

TEST_F(DemoWorldHeap, BooksOutsideTheHeapOnlyTheListedMemory) {
    std::map<std::string, int> found, expected;
    for (const HeapFindings::NotABlock& stray : sFindings->mNotABlock) {
        EXPECT_EQ(stray.mBlock.mAddress, nullptr) << stray.mBooking.mDynamicType;
        std::string prefix = stray.mBooking.mDynamicType;
        for (const Elsewhere& elsewhere : kNotABlock)
            if (prefix.rfind(elsewhere.mTypePrefix, 0) == 0) prefix = elsewhere.mTypePrefix;
        ++found[prefix];
    }
    for (const Elsewhere& elsewhere : kNotABlock) expected[elsewhere.mTypePrefix] = elsewhere.mCount;
    EXPECT_EQ(found, expected) << sSection;
    for (const auto& booking : sFindings->mBookedUnreached)
        EXPECT_NE(std::find_if(std::begin(kHeldByTheQueue), std::end(kHeldByTheQueue),
                               [&](const char* name) { return std::strcmp(name, booking.mDynamicType) == 0; }),
                  std::end(kHeldByTheQueue))
            << booking.mDynamicType;
}

} // namespace
