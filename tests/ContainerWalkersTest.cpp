// Container and string walkers: what each books, in which order, and what it leaves alone.
#include "Probe.h"

#include "platform/TypeNames.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>
#include <tbb/concurrent_queue.h>

#include <algorithm>
#include <string>

namespace {

using namespace Tarn::Objects;
using namespace Tarn::Testing;
using Tarn::Platform::ReadableNameOf;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::WalkObjectImpl;

using RefCountedList = _ArrayList<ARefCounted*, RefCountedLifetime<ARefCounted*>>;
using PointList = _ArrayList<Point<float>, NoLifetime<Point<float>>>;

std::string Line(const std::string& name, size_t bytes, int instances, int references) {
    return name + "\t" + std::to_string(bytes) + "\t" + std::to_string(instances) + "\t" + std::to_string(references) + "\r\n";
}

bool Booked(const std::string& report, const std::string& name) { return report.find("\n" + name + "\t") != std::string::npos; }

// Walks an embedded container: only what it owns is booked.
template <class C> std::string WalkEmbedded(C& container) {
    RecordMemory recorder;
    size_t size = sizeof(C);
    WalkObjectImpl<C>::WalkObject(&container, &recorder, size);
    EXPECT_EQ(size, sizeof(C));
    return std::string(recorder.GetResults());
}

class ContainerWalkers : public ::testing::Test {
protected:
    void SetUp() override { ProbeLog().clear(); }
    Probe mProbes[5] = {Probe(0), Probe(1), Probe(2), Probe(3), Probe(4)};
};

TEST_F(ContainerWalkers, EmptyListWithoutArrayBooksNothing) {
    RefCountedList list;
    EXPECT_EQ(WalkEmbedded(list), "Total\t0\t0\t0\r\n");
}

TEST_F(ContainerWalkers, EmptyListBooksItsWholeArray) {
    _ArrayList<int, NoLifetime<int>> list(16);
    EXPECT_EQ(WalkEmbedded(list), Line("Total", 64, 1, 1) + Line("int*", 64, 1, 1));
}

TEST_F(ContainerWalkers, PointerListBooksTheArrayFirstThenElementsFromTheLast) {
    RefCountedList list;
    list.Add(&mProbes[0]);
    list.Add(nullptr);
    list.Add(&mProbes[2]);
    const std::string report = WalkEmbedded(list);
    ASSERT_EQ(ProbeLog().size(), 2u);
    EXPECT_EQ(ProbeLog()[0].mId, 2);
    EXPECT_EQ(ProbeLog()[1].mId, 0);
    EXPECT_TRUE(Booked(ProbeLog()[0].mReportSoFar, "Tarn::Objects::ARefCounted**"));
    EXPECT_NE(report.find(Line("Tarn::Testing::Probe", 2 * sizeof(Probe), 2, 2)), std::string::npos);
    EXPECT_NE(report.find(Line("Tarn::Objects::ARefCounted**", 6 * 8, 1, 1)), std::string::npos);
}

TEST_F(ContainerWalkers, ValueListWalksElementsFromTheLastThenBooksTheArray) {
    PointList list;
    for (int i = 0; i < 3; ++i) {
        Point<float> point;
        point.mRelated = &mProbes[i];
        list.Add(point);
    }
    const std::string report = WalkEmbedded(list);
    ASSERT_EQ(ProbeLog().size(), 3u);
    EXPECT_EQ(ProbeLog()[0].mId, 2);
    EXPECT_EQ(ProbeLog()[2].mId, 0);
    EXPECT_FALSE(Booked(ProbeLog()[2].mReportSoFar, "Tarn::Objects::Point<float>*"));
    // The points live in the array: only the array and the related primitives are booked.
    EXPECT_NE(report.find(Line("Tarn::Objects::Point<float>*", 6 * sizeof(Point<float>), 1, 1)), std::string::npos);
    EXPECT_FALSE(Booked(report, "Tarn::Objects::Point<float>"));
}

TEST_F(ContainerWalkers, TwoListsSharingAnArrayBookItsBytesOnce) {
    _ArrayList<int, NoLifetime<int>> first(4), second;
    second.mData = first.mData;
    second.mCapacity = first.mCapacity;
    RecordMemory recorder;
    size_t size = 0;
    WalkObjectImpl<_ArrayList<int, NoLifetime<int>>>::WalkObject(&first, &recorder, size);
    WalkObjectImpl<_ArrayList<int, NoLifetime<int>>>::WalkObject(&second, &recorder, size);
    second.mData = nullptr;  // the array is the first list's
    second.mCapacity = 0;
    EXPECT_EQ(std::string(recorder.GetResults()), Line("Total", 16, 1, 2) + Line("int*", 16, 1, 2));
}

TEST_F(ContainerWalkers, ListReachedThroughAPointerIsBookedAsItsKind) {
    ListOfInts ints;
    ints.Add(7);
    RecordMemory recorder;
    Tarn::Utilities::WalkPointer(static_cast<_ArrayList<int, NoLifetime<int>>*>(&ints), &recorder);
    EXPECT_EQ(std::string(recorder.GetResults()),
              Line("Total", sizeof(ListOfInts) + 8, 2, 2) + Line("Tarn::Objects::ListOfInts", sizeof(ListOfInts), 1, 1) +
                  Line("int*", 8, 1, 1));
}

TEST_F(ContainerWalkers, ShortKStringBooksNothingLongOneBooksItsBlock) {
    KString shortText(L"tiny");
    EXPECT_EQ(WalkEmbedded(shortText), "Total\t0\t0\t0\r\n");
    KString longText(L"twenty characters ok");
    const size_t bytes = 21 * sizeof(wchar_t);
    EXPECT_EQ(WalkEmbedded(longText), Line("Total", bytes, 1, 1) + Line("wchar_t const*", bytes, 1, 1));
    const KString constText(L"also long enough for a block");
    RecordMemory recorder;
    WalkObjectImpl<const KString>::Instance().Walk(const_cast<KString*>(&constText), &recorder);
    EXPECT_TRUE(Booked(std::string(recorder.GetResults()), "Tarn::Objects::KString"));
}

TEST_F(ContainerWalkers, KStringABooksLengthPlusTerminator) {
    KStringA shortText("abc");
    EXPECT_EQ(WalkEmbedded(shortText), "Total\t0\t0\t0\r\n");
    KStringA longText("0123456789abcdefghij");
    EXPECT_EQ(WalkEmbedded(longText), Line("Total", 21, 1, 1) + Line("char*", 21, 1, 1));
}

TEST_F(ContainerWalkers, InternedStringsOwnNothing) {
    RecordMemory recorder;
    WalkObjectImpl<UString>::Instance().Walk(Intern(L"an interned text long enough for a block"), &recorder);
    EXPECT_EQ(std::string(recorder.GetResults()),
              Line("Total", sizeof(UString), 1, 1) + Line("Tarn::Objects::UString", sizeof(UString), 1, 1));
}

// The queue books what it allocated: its representation, and the pages its eight lanes hold (32 elements a page,
// element k in lane k % 8); a page goes when its last slot is popped. Then it walks its elements in order.
TEST_F(ContainerWalkers, QueueBooksItsRepresentationAndPagesThenWalksItsElementsInOrder) {
    using Queue = tbb::concurrent_queue<AutoPtr<Probe>, tbb::cache_aligned_allocator<AutoPtr<Probe>>>;
    using Representation = tbb::detail::d2::concurrent_queue_rep<AutoPtr<Probe>, tbb::cache_aligned_allocator<AutoPtr<Probe>>>;
    using Page = Representation::padded_page;
    static_assert(Representation::n_queue == 8 && Representation::items_per_page == 32);
    struct Case {
        int mPushed, mPopped, mPages;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{6, 0, 6}, Case{300, 0, 16}, Case{300, 260, 8}, Case{300, 300, 8}}) {
        SCOPED_TRACE(std::to_string(c.mPushed) + " pushed, " + std::to_string(c.mPopped) + " popped");
        ProbeLog().clear();
        Queue queue;
        for (int i = 0; i < c.mPushed; ++i) queue.push(AutoPtr<Probe>(i < c.mPopped ? nullptr : &mProbes[i % 5]));
        for (AutoPtr<Probe> popped; queue.unsafe_size() > size_t(c.mPushed - c.mPopped);) ASSERT_TRUE(queue.try_pop(popped));
        RecordMemory recorder;
        WalkObjectImpl<Queue>::Instance().Walk(&queue, &recorder);
        // Each probe is walked at its first reach only.
        ASSERT_EQ(ProbeLog().size(), size_t(std::min(c.mPushed - c.mPopped, 5)));
        for (size_t i = 0; i < ProbeLog().size(); ++i) EXPECT_EQ(ProbeLog()[i].mId, int((c.mPopped + i) % 5));
        const std::string report(recorder.GetResults());
        EXPECT_NE(report.find(Line(ReadableNameOf<Queue>(), sizeof(Queue), 1, 1)), std::string::npos) << report;
        EXPECT_NE(report.find(Line(ReadableNameOf<Representation*>(), sizeof(Representation), 1, 1)), std::string::npos);
        EXPECT_EQ(Booked(report, ReadableNameOf<Page*>()), c.mPages > 0);
        if (c.mPages > 0) {
            EXPECT_NE(report.find(Line(ReadableNameOf<Page*>(), c.mPages * sizeof(Page), c.mPages, c.mPages)), std::string::npos);
        }
    }
}

TEST_F(ContainerWalkers, HashTableWalksBucketsFromTheLastThenBooksTheBucketArray) {
    using Map = _HashMap<ARefCounted*, ARefCounted*, _Hasher<ARefCounted*>>;
    Map map(8);
    map.Add({&mProbes[1], &mProbes[2]});  // key, then value
    map.Add({&mProbes[3], &mProbes[4]});
    ASSERT_EQ(map.BucketOf(&mProbes[1]), map.BucketOf(&mProbes[3]));  // addresses are multiples of 8
    const std::string report = WalkEmbedded(map);
    // Entries from the last to the first, each its key then its value; entry arrays before the bucket array.
    ASSERT_EQ(ProbeLog().size(), 4u);
    EXPECT_EQ(ProbeLog()[0].mId, 3);
    EXPECT_EQ(ProbeLog()[1].mId, 4);
    EXPECT_EQ(ProbeLog()[2].mId, 1);
    EXPECT_EQ(ProbeLog()[3].mId, 2);
    const std::string entries = "Tarn::Objects::_KeyValue<Tarn::Objects::ARefCounted*, Tarn::Objects::ARefCounted*>*";
    EXPECT_NE(report.find(Line(entries, 2 * 16, 1, 1)), std::string::npos);
    EXPECT_NE(report.find("ValueList*\t" + std::to_string(8 * sizeof(Map::ValueList)) + "\t1\t1\r\n"), std::string::npos);
}

} // namespace
