// Object-model walkers: attachments, primitives, images, clip planes, and the walk contract they follow.
#include "Probe.h"

#include "engine/devices/Sys.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace Tarn::Objects;
using namespace Tarn::Testing;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::WalkObjectImpl;
using Tarn::Utilities::WalkPointer;

std::string Line(const std::string& name, size_t bytes, int instances, int references) {
    return name + "\t" + std::to_string(bytes) + "\t" + std::to_string(instances) + "\t" + std::to_string(references);
}
bool Has(const std::string& report, const std::string& line) { return report.find("\n" + line + "\r\n") != std::string::npos; }

// The first virtual device, counting how often its plane count is asked.
class CountingCapabilities : public Tarn::Devices::DeviceCapabilities {
public:
    int PlaneCount() const override {
        ++mAsked;
        return 4;
    }
    mutable int mAsked = 0;
};
class TestDevice : public Tarn::Devices::AVirtualDevice {
public:
    const Tarn::Devices::DeviceCapabilities* Capabilities() const override { return &mCapabilities; }
    CountingCapabilities mCapabilities;
};

class ObjectWalkers : public ::testing::Test {
protected:
    void SetUp() override {
        ProbeLog().clear();
        Tarn::Devices::Sys::VirtualDevices().SetCount(0);
        Tarn::Devices::Sys::VirtualDevices().Add(&mDevice);
    }
    void TearDown() override { Tarn::Devices::Sys::VirtualDevices().SetCount(0); }

    template <class T> std::string Walk(T* object) {
        WalkObjectImpl<T>::Instance().Walk(object, &mRecorder);
        return std::string(mRecorder.GetResults());
    }

    TestDevice mDevice;
    RecordMemory mRecorder;
};

TEST_F(ObjectWalkers, AttachmentChainBooksEachLinkInOrderAndWalksKindsOneAndTwo) {
    ISpatialNode node;
    Probe first(1), second(2);
    ALocaleStrategy strategy;
    Attachment refCounted(static_cast<ARefCounted*>(&first)), deleted(static_cast<IDelete*>(&strategy)),
        other(7), again(static_cast<ARefCounted*>(&second));
    for (Attachment* link : {&refCounted, &deleted, &other, &again}) node.Attach(link);
    const std::string report = Walk(&node);
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::Attachment", 4 * sizeof(Attachment), 4, 4)));
    EXPECT_TRUE(Has(report, Line("Tarn::Testing::Probe", 2 * sizeof(Probe), 2, 2)));
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::ALocaleStrategy", sizeof(ALocaleStrategy), 1, 1)));
    // The last probe is reached after the three links before it have been booked.
    ASSERT_EQ(ProbeLog().size(), 2u);
    EXPECT_EQ(ProbeLog()[0].mReportSoFar.find("Tarn::Objects::Attachment"), std::string::npos);
    EXPECT_TRUE(Has(ProbeLog()[1].mReportSoFar, Line("Tarn::Objects::Attachment", 3 * sizeof(Attachment), 3, 3)));
}

TEST_F(ObjectWalkers, AttachmentSharedByTwoOwnersIsBookedOnceVisitedTwice) {
    ISpatialNode owner, other;
    Attachment shared(9);
    owner.Attach(&shared);
    Walk(&owner);
    other.Attach(&shared);
    const std::string report = Walk(&other);
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::Attachment", sizeof(Attachment), 1, 2)));
}

TEST_F(ObjectWalkers, SampleGeneratorWalksItsSecondaryAttachablePartAndRandomGenerator) {
    ASampleGenerator generator;
    ARandomGenerator random;
    generator.mRandom = &random;
    Attachment link(static_cast<ARefCounted*>(nullptr));
    generator.Attach(&link);
    ASSERT_NE(static_cast<void*>(static_cast<AAttachable*>(&generator)), static_cast<void*>(&generator));
    WalkPointer(static_cast<IPlugInObject*>(&generator), &mRecorder);
    const std::string report(mRecorder.GetResults());
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::ASampleGenerator", sizeof(ASampleGenerator), 1, 1)));
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::Attachment", sizeof(Attachment), 1, 1)));
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::ARandomGenerator", sizeof(ARandomGenerator), 1, 1)));
}

TEST_F(ObjectWalkers, ImageWithoutModelsBooksOnlyItself) {
    Image<double> image;
    EXPECT_EQ(Walk(&image), "Total\t" + std::to_string(sizeof(image)) + "\t1\t1\r\n" +
                                Line("Tarn::Objects::Image<double>", sizeof(image), 1, 1) + "\r\n");
}

TEST_F(ObjectWalkers, ImageWalksCurveSurfaceAndAttributeAsTheirOwnTypes) {
    Image<float> image;
    Polyline<float> curve;
    BoundedPlane<float> surface;
    ImageAttribute attribute;
    image.mCurve = &curve;
    image.mSurface = &surface;
    image.mAttribute = &attribute;
    const std::string report = Walk(&image);
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::Polyline<float>", sizeof(curve), 1, 1)));
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::BoundedPlane<float>", sizeof(surface), 1, 1)));
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::ImageAttribute", sizeof(attribute), 1, 1)));
}

TEST_F(ObjectWalkers, PolylineBooksItsVertexArrayAtCapacity) {
    Polyline<float> polyline;
    polyline.mVertices.Resize(8);
    polyline.mVertices.Add({1, 2, 3});
    const std::string report = Walk(&polyline);
    EXPECT_TRUE(Has(report, Line("Tarn::vec3<float>*", 8 * 12, 1, 1)));
}

TEST_F(ObjectWalkers, PointArrayWalksRelatedPrimitivesThenItsPointArray) {
    PointArray<double> points;
    Probe related(5);
    Point<double> point;
    point.mRelated = &related;
    points.Add(point);
    const std::string report = Walk(&points);
    ASSERT_EQ(ProbeLog().size(), 1u);
    EXPECT_EQ(ProbeLog()[0].mReportSoFar.find("Point<double>*"), std::string::npos);
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::Point<double>*", 2 * sizeof(Point<double>), 1, 1)));
}

TEST_F(ObjectWalkers, PlaneSetAsksThePlaneCountEvenWithoutAnArray) {
    XPlaneSet<float> empty;
    const std::string report = Walk(&empty);
    EXPECT_EQ(mDevice.mCapabilities.mAsked, 1);
    EXPECT_EQ(report.find("XPlane<float>*"), std::string::npos);

    XPlaneSet<double> planes(4);
    EXPECT_TRUE(Has(Walk(&planes), Line("Tarn::Objects::XPlane<double>*", 4 * sizeof(XPlane<double>), 1, 1)));
    EXPECT_EQ(mDevice.mCapabilities.mAsked, 2);
}

TEST_F(ObjectWalkers, PlaneSetWithoutAVirtualDeviceBooksOnlyItself) {
    Tarn::Devices::Sys::VirtualDevices().SetCount(0);
    XPlaneSet<float> planes(4);
    EXPECT_EQ(Walk(&planes), "Total\t" + std::to_string(sizeof(planes)) + "\t1\t1\r\n" +
                                 Line("Tarn::Objects::XPlaneSet<float>", sizeof(planes), 1, 1) + "\r\n");
}

TEST_F(ObjectWalkers, ContextIteratorAndLocaleWalkWhatTheyPointAt) {
    APrimitiveContext context;
    SinglePrimitiveIterator iterator;
    ALocale locale;
    ALocaleStrategy strategy;
    Probe a(1), b(2);
    context.mCurrent = &a;
    iterator.mPrimitive = &b;
    locale.mStrategy = &strategy;
    Walk(&context);
    Walk(&iterator);
    const std::string report = Walk(&locale);
    EXPECT_EQ(ProbeLog().size(), 2u);
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::ALocaleStrategy", sizeof(strategy), 1, 1)));
}

TEST_F(ObjectWalkers, WalkingTheSameRootTwiceBooksOneMoreReferenceOnly) {
    Polyline<double> polyline;
    polyline.mVertices.Add({0, 0, 0});
    Walk(&polyline);
    const std::string report = Walk(&polyline);
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::Polyline<double>", sizeof(polyline), 1, 2)));
    EXPECT_TRUE(Has(report, Line("Tarn::vec3<double>*", 2 * sizeof(Tarn::vec3<double>), 1, 1)));
}

TEST_F(ObjectWalkers, SecondStaticTypeOfOneObjectGetsOnlyAReference) {
    Image<float> image;
    WalkObjectImpl<ARefCounted>::Instance().Walk(static_cast<ARefCounted*>(&image), &mRecorder);
    WalkPointer(static_cast<ARefCounted*>(&image), &mRecorder);
    const std::string report(mRecorder.GetResults());
    EXPECT_TRUE(Has(report, Line("Tarn::Objects::Image<float>", sizeof(ARefCounted), 1, 2) + "\tTarn::Objects::ARefCounted\t1"));
}

TEST_F(ObjectWalkers, ObjectAndItsFirstBasePartAreWalkedOnce) {
    Circle<float> circle;
    Probe related(3);
    circle.mRelated = &related;
    WalkPointer(static_cast<APrimitive*>(&circle), &mRecorder);
    WalkObjectImpl<APrimitive>::Instance().Walk(static_cast<APrimitive*>(&circle), &mRecorder);
    EXPECT_EQ(ProbeLog().size(), 1u);
    EXPECT_TRUE(Has(std::string(mRecorder.GetResults()),
                    Line("Tarn::Objects::Circle<float>", sizeof(circle), 1, 2) + "\tTarn::Objects::APrimitive\t0"));
}

TEST_F(ObjectWalkers, NullObjectBooksNothingAndMarksNothing) {
    WalkObjectImpl<Image<float>>::Instance().Walk(nullptr, &mRecorder);
    WalkPointer(static_cast<APrimitive*>(nullptr), &mRecorder);
    EXPECT_EQ(std::string(mRecorder.GetResults()), "Total\t0\t0\t0\r\n");
}

TEST_F(ObjectWalkers, UnregisteredSubclassIsBookedUnderItsRegisteredAncestor) {
    class Spline : public Curve<float> {
        double mKnots[8] = {};
    } spline;
    WalkPointer(static_cast<ARefCounted*>(&spline), &mRecorder);
    const std::string report(mRecorder.GetResults());
    EXPECT_NE(report.find("Spline\t" + std::to_string(sizeof(Curve<float>)) + "\t1\t1\tTarn::Objects::Curve<float>\t1\r\n"),
              std::string::npos);
}

// Types that own nothing book exactly one object of their own size.
template <class T> class EmptyWalker : public ::testing::Test {};
using EmptyTypes = ::testing::Types<ARefCounted, SharedMatrix, ImageAttribute, IWorld, ALocaleStrategy, APageableData,
                                    AUniqueName, ACategory, IDelete, IClone, Tarn::mat4<double>, HeapOperators>;
TYPED_TEST_SUITE(EmptyWalker, EmptyTypes);

TYPED_TEST(EmptyWalker, BooksOneObjectOfItsOwnSize) {
    TypeParam object;
    RecordMemory recorder;
    WalkObjectImpl<TypeParam>::Instance().Walk(&object, &recorder);
    const std::string report(recorder.GetResults());
    const std::string total = "Total\t" + std::to_string(sizeof(TypeParam)) + "\t1\t1\r\n";
    EXPECT_EQ(report.substr(0, total.size()), total);
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 2);
}

} // namespace
