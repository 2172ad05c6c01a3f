// Which element types of value lists are walked in place: those with a walk of their own hold pointers, so their
// elements' targets are walked before the array is booked; plain values book the array only.
//
// This is the one test file that sees the walks themselves (for HasOwnWalk). It walks only through the registry,
// so the walkers it runs are the library's own.
#include "Probe.h"

#include "utilities/walkers/Walks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace Tarn::Devices;
using namespace Tarn::Objects;
using namespace Tarn::Testing;
using Tarn::Utilities::HasOwnWalk;
using Tarn::Utilities::RecordMemory;

using BucketEntry = _KeyValue<Tarn::Graphics::ConsolidationBucket*, Tarn::Graphics::BaseBucketKey*>;

TEST(ValueListWalks, ElementsThatHoldPointersAreWalkedInPlaceAndPlainValuesAreNot) {
    // Walked in place, last to first, then the array.
    static_assert(HasOwnWalk<CBInstance>);
    static_assert(HasOwnWalk<SSubGeom>);
    static_assert(HasOwnWalk<Point<float>>);
    static_assert(HasOwnWalk<Point<double>>);
    static_assert(HasOwnWalk<BucketEntry>);
    static_assert(HasOwnWalk<Tarn::Graphics::ConsolidationSource>);
    static_assert(HasOwnWalk<Tarn::Graphics::PolylineDesc>);
    // The array only.
    static_assert(!HasOwnWalk<int>);
    static_assert(!HasOwnWalk<float>);
    static_assert(!HasOwnWalk<Tarn::vec3<float>>);
    static_assert(!HasOwnWalk<Tarn::vec3<double>>);
    static_assert(!HasOwnWalk<SegmentIndexDesc>);
    static_assert(!HasOwnWalk<SourceImplementation::Declaration>);
    static_assert(!HasOwnWalk<ASymbol>);
    static_assert(!HasOwnWalk<SamplePoint<Tarn::vec3<float>>>);

    ProbeLog().clear();
    AConstantBuffer buffer;
    ProbeAttachment tag(4);
    buffer.Attach(&tag.mLink);
    CBInstanceList list;
    list.Add({3, &buffer});
    RecordMemory recorder;
    Tarn::Utilities::WalkPointer(static_cast<IClone*>(&list), &recorder);
    ASSERT_EQ(ProbeLog().size(), 1u);
    EXPECT_EQ(ProbeLog()[0].mReportSoFar.find("Tarn::Devices::CBInstance*"), std::string::npos);
    const std::string report(recorder.GetResults());
    EXPECT_NE(report.find("\nTarn::Devices::CBInstance*\t32\t1\t1\r\n"), std::string::npos);
    EXPECT_NE(report.find("\nTarn::Devices::CBInstanceList\t" + std::to_string(sizeof(list)) + "\t1\t1\r\n"), std::string::npos);
}

} // namespace
