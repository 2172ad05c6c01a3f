// The recorder's arithmetic: bytes and instances once per address, references at every visit.
#include "bench/BenchScene.h"
#include "examples/DemoScene.h"
#include "utilities/memory/MemoryGraph.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/memory/VisitedSet.h"
#include "utilities/walk/IWalkObject.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using Tarn::Utilities::MemoryGraph;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::VisitedSet;

std::string Report(const RecordMemory& recorder) { return std::string(recorder.GetResults()); }

TEST(RecordMemory, BooksBytesAndInstancesOncePerAddressAndEveryReference) {
    RecordMemory recorder;
    int object = 0;
    const bool first = recorder.MarkVisited(&object);
    recorder.RecordObject("T", "T", 24, first);
    const bool again = recorder.MarkVisited(&object);
    recorder.RecordObject("T", "T", 24, again);
    EXPECT_TRUE(first);
    EXPECT_FALSE(again);
    EXPECT_EQ(Report(recorder), "Total\t24\t1\t2\r\nT\t24\t1\t2\r\n");
}

TEST(RecordMemory, ARepeatOfANewPairBooksOnlyAReference) {
    RecordMemory recorder;
    recorder.RecordObject("T", "S", 100, false);
    EXPECT_EQ(Report(recorder), "Total\t0\t0\t1\r\nT\t0\t0\t1\tS\t0\r\n");
}

TEST(RecordMemory, NamesAreKeysByTextNotByPointer) {
    RecordMemory recorder;
    std::string dynamicName = "Type", staticName = "Type";
    recorder.RecordObject("Type", "Type", 8, true);
    recorder.RecordObject(dynamicName.c_str(), staticName.c_str(), 8, true);
    EXPECT_EQ(Report(recorder), "Total\t16\t2\t2\r\nType\t16\t2\t2\r\n");
}

TEST(RecordMemory, OneDynamicTypeThroughTwoStaticTypesIsOneRow) {
    RecordMemory recorder;
    recorder.RecordObject("D", "D", 10, true);
    recorder.RecordObject("D", "S", 30, true);
    recorder.RecordObject("D", "S", 30, false);
    EXPECT_EQ(Report(recorder), "Total\t40\t2\t3\r\nD\t40\t2\t3\tS\t1\r\n");
}

TEST(RecordMemory, SizesOfOnePairMayDiffer) {
    RecordMemory recorder;
    recorder.RecordObject("Mesh", "Mesh", 16, true);
    recorder.RecordObject("Mesh", "Mesh", 40, true);
    EXPECT_EQ(Report(recorder), "Total\t56\t2\t2\r\nMesh\t56\t2\t2\r\n");
}

TEST(RecordMemory, ManyPairsStayApartThroughTheirMemo) {
    // More pairs than the memo has slots, visited round-robin: every count must land on its own pair.
    RecordMemory recorder;
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i) names.push_back("Type" + std::to_string(i));
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 200; ++i) recorder.RecordObject(names[i].c_str(), names[(i + 1) % 200].c_str(), i + 1, true);
    const std::string report = Report(recorder);
    EXPECT_EQ(report.substr(0, report.find('\r')), "Total\t60300\t600\t600");
    EXPECT_NE(report.find("\r\nType199\t600\t3\t3\tType0\t3\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nType0\t3\t3\t3\tType1\t3\r\n"), std::string::npos);
}

TEST(RecordMemory, InternedPairsBookUnderTheirNames) {
    using Pair = RecordMemory::Pair;
    const Pair& pair = RecordMemory::InternPair(&typeid(int), "Interned", "Base");
    EXPECT_EQ(&RecordMemory::InternPair(&typeid(int), "Interned", "Base"), &pair);
    // Another type of the same names is another pair (memos are keyed by type), but the same row.
    const Pair& twin = RecordMemory::InternPair(&typeid(long), "Interned", "Base");
    EXPECT_NE(twin.mId, pair.mId);
    EXPECT_EQ(twin.mDynamicType, &typeid(long));

    RecordMemory recorder;
    recorder.RecordPair(pair, 10, true);
    recorder.RecordObject("Interned", "Base", 10, true);
    recorder.RecordPair(twin, 10, false);
    recorder.RecordPair(RecordMemory::InternPair(nullptr, "Interned", "Interned"), 5, true);
    EXPECT_EQ(Report(recorder), "Total\t25\t3\t4\r\nInterned\t25\t3\t4\tBase\t2\r\n");

    EXPECT_THROW(RecordMemory::InternPair(nullptr, nullptr, "Base"), std::invalid_argument);
    EXPECT_THROW(RecordMemory::InternPair(nullptr, "Interned", nullptr), std::invalid_argument);
}

TEST(RecordMemory, PairsInternedWhileARecorderBooksLandOnTheirRows) {
    // Ids beyond what the recorder has room for, made after it booked: its table of pairs grows under them.
    RecordMemory recorder;
    recorder.RecordPair(RecordMemory::InternPair(nullptr, "Early", "Early"), 1, true);
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) names.push_back("Late" + std::to_string(i));
    for (int round = 0; round < 2; ++round)
        for (const std::string& name : names)
            recorder.RecordPair(RecordMemory::InternPair(nullptr, name.c_str(), name.c_str()), 2, round == 0);
    const std::string report = Report(recorder);
    EXPECT_EQ(report.substr(0, report.find('\r')), "Total\t601\t301\t601");
    EXPECT_NE(report.find("\r\nLate299\t2\t1\t2\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nEarly\t1\t1\t1\r\n"), std::string::npos);
}

// Addresses as heaps and walks give them: dense 16-byte units, one object a stretch, strides that are powers of two,
// addresses that are not multiples of 8 (a part of an object, a byte buffer), and those that no bitmap of a heap is
// for: objects far apart (the set keeps them exactly rather than spend a leaf of bits on each), one a GiB (more GiBs
// than the set keeps bits for), and addresses beyond 47 bits.
struct AddressPattern {
    const char* mName;
    uintptr_t mStride;
    uintptr_t mOffset;
};

class VisitedSetPatterns : public ::testing::TestWithParam<AddressPattern> {};

TEST_P(VisitedSetPatterns, AnswersEachAddressOnceAtScale) {
    // Enough addresses to grow the exact table several times; every one is new once and known after, whichever part
    // of the set holds it.
    VisitedSet set;
    constexpr uintptr_t kBase = 0x7f0000000000;
    constexpr int kCount = 1 << 20;
    const AddressPattern& pattern = GetParam();
    auto address = [&](int i) { return reinterpret_cast<const void*>(kBase + pattern.mOffset + pattern.mStride * i); };
    for (int i = 0; i < kCount; ++i) ASSERT_TRUE(set.Insert(address(i))) << i;
    for (int i = 0; i < kCount; ++i) ASSERT_FALSE(set.Insert(address(i))) << i;
    EXPECT_EQ(set.Count(), size_t(kCount));
}

INSTANTIATE_TEST_SUITE_P(Heaps, VisitedSetPatterns,
                         ::testing::Values(AddressPattern{"Dense", 16, 0}, AddressPattern{"OneAStretch", 128, 0},
                                           AddressPattern{"Pages", 4096, 48}, AddressPattern{"Eights", 8, 8},
                                           AddressPattern{"Bytes", 1, 3}, AddressPattern{"Spread", 16 * 1021, 0},
                                           AddressPattern{"FarApart", (uintptr_t(1) << 18) + 8, 0},
                                           AddressPattern{"OneAGiB", (uintptr_t(1) << 30) + 24, 0}),
                         [](const auto& info) { return std::string(info.param.mName); });

TEST(VisitedSet, NeighboursAreDistinctAddresses) {
    // An object, its second base 8 bytes on, a byte inside it: three addresses, however they are kept.
    VisitedSet set;
    alignas(16) static char heap[64];
    for (const int offset : {0, 8, 1, 16, 9})
        EXPECT_TRUE(set.Insert(heap + offset)) << offset;
    for (const int offset : {16, 9, 8, 1, 0})
        EXPECT_FALSE(set.Insert(heap + offset)) << offset;
    EXPECT_EQ(set.Count(), 5u);
}

// The bitmap only answers whether an address was visited, so a walk with it is the walk with the exact table alone
// if the answers agree: the same report, the same first bookings in the same order, the same visits.
struct WalkedWorld {
    const char* mName;
    int mObjects;
};

class BitmapAgainstTable : public ::testing::TestWithParam<WalkedWorld> {
protected:
    // The world of the parameter, built once and walked by both recorders.
    void MeasureBoth() {
        mTable.KeepAddressesInTable();
        for (RecordMemory* recorder : {&mBits, &mTable}) recorder->KeepGraph();
        if (std::string(GetParam().mName) == "Demo") {
            Tarn::Demo::DemoScene scene(GetParam().mObjects);
            for (RecordMemory* recorder : {&mBits, &mTable}) scene.Measure(*recorder);
        } else {
            Tarn::Bench::BenchScene scene(GetParam().mObjects);
            for (RecordMemory* recorder : {&mBits, &mTable})
                Tarn::Utilities::WalkObjectImpl<Tarn::Bench::RootList>::Instance().Walk(&scene.Root(), recorder);
        }
    }
    RecordMemory mBits, mTable;
};

TEST_P(BitmapAgainstTable, WalksExactlyAsTheExactTableAlone) {
    MeasureBoth();
    ASSERT_EQ(Report(mBits), Report(mTable));
    const MemoryGraph &bits = *mBits.Graph(), &table = *mTable.Graph();
    const std::vector<MemoryGraph::Booking> bookings = bits.FirstBookings(), expected = table.FirstBookings();
    ASSERT_EQ(bookings.size(), expected.size());
    for (size_t i = 0; i < bookings.size(); ++i) {
        ASSERT_EQ(bookings[i].mAddress, expected[i].mAddress) << i;
        ASSERT_EQ(bookings[i].mBytes, expected[i].mBytes) << i;
        ASSERT_STREQ(bookings[i].mDynamicType, expected[i].mDynamicType) << i;
    }
    ASSERT_EQ(bits.EdgeCount(), table.EdgeCount());
    for (size_t e = 0; e < bits.EdgeCount(); ++e) {
        ASSERT_EQ(bits.EdgeAt(e).mFrom, table.EdgeAt(e).mFrom) << e;
        ASSERT_EQ(bits.EdgeAt(e).mTo, table.EdgeAt(e).mTo) << e;
    }
}

INSTANTIATE_TEST_SUITE_P(Worlds, BitmapAgainstTable,
                         ::testing::Values(WalkedWorld{"Demo", 1}, WalkedWorld{"Demo", 3000},
                                           WalkedWorld{"Demo", 30000}, WalkedWorld{"Bench", 60},
                                           WalkedWorld{"Bench", 60000}, WalkedWorld{"Bench", 600000}),
                         [](const auto& info) { return info.param.mName + std::to_string(info.param.mObjects); });

TEST(RecordMemory, KeepsAddressesInTheTableOnlyWhenAskedBeforeTheWalk) {
    RecordMemory recorder;
    int object = 0;
    recorder.MarkVisited(&object);
    EXPECT_THROW(recorder.KeepAddressesInTable(), std::logic_error);
}

} // namespace
