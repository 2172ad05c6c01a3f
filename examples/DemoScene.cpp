#include "examples/DemoScene.h"

#include "engine/devices/Sys.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <string>

namespace Tarn::Demo {

using namespace Tarn::Objects;
using Utilities::WalkObjectImpl;

// A host's own kind of image: the library has no walker for it, so it is walked as the nearest class it knows,
// Image<float>, and the report names both.
class Terrain : public Image<float> {
public:
    float mHeights[16] = {};
};

namespace {

// The demo runs on one virtual device that supports six clip planes.
class DemoDevice : public Devices::AVirtualDevice {
public:
    const Devices::DeviceCapabilities* Capabilities() const override { return &mCapabilities; }

private:
    Devices::DeviceCapabilities mCapabilities{6};
};

void EnsureDevice() {
    static DemoDevice device;
    if (Devices::Sys::VirtualDevices().Count() == 0) Devices::Sys::VirtualDevices().Add(&device);
}

// Objects of one group: about thirty of the object model, the rest its device layer.
constexpr int kObjectsPerGroup = 245;

} // namespace

unsigned char* DemoScene::MakeBlock(size_t bytes) {
    auto* block = new unsigned char[bytes > 0 ? bytes : 1]();
    mOwned.emplace_back(block, [](void* owned) { delete[] static_cast<unsigned char*>(owned); });
    return block;
}

DemoScene::DemoScene(int objects) : mGroups(objects / kObjectsPerGroup > 0 ? objects / kObjectsPerGroup : 1) {
    EnsureDevice();
    for (int group = 0; group < mGroups; ++group) {
        BuildGroup(group);
        BuildDeviceLayer(group);
    }
}

DemoScene::~DemoScene() {
    // Owned objects go in reverse order of making.
    while (!mOwned.empty()) mOwned.pop_back();
}

void DemoScene::BuildGroup(int index) {
    // Double-precision image: a polyline curve, a bounded plane surface and an attribute.
    auto* outline = Make<Polyline<double>>();
    for (int i = 0; i < 5 + index % 7; ++i) outline->mVertices.Add({double(i), double(index), 0.0});
    auto* plane = Make<BoundedPlane<double>>();
    auto* imageD = Make<Image<double>>();
    imageD->mCurve = outline;
    imageD->mSurface = plane;
    imageD->mAttribute = Make<ImageAttribute>();
    mObjects.Add(imageD);

    // Single-precision image with a circle, its related primitive a point.
    auto* circle = Make<Circle<float>>();
    auto* centre = Make<Point<float>>();
    circle->mRelated = centre;
    auto* imageF = index % 2 ? Make<Image<float>>() : Make<Terrain>();
    imageF->mCurve = circle;
    mObjects.Add(imageF);

    // A point array whose points relate to the circle: reached again, as APrimitive.
    auto* points = Make<PointArray<float>>();
    for (int i = 0; i < 3; ++i) {
        Point<float> point;
        point.mRelated = i == 1 ? static_cast<APrimitive*>(circle) : nullptr;
        points->Add(point);
    }
    mObjects.Add(points);

    // A context whose current primitive is the outline, reached before as Curve<double>.
    auto* context = Make<APrimitiveContext>();
    context->mCurrent = outline;
    mObjects.Add(context);

    auto* iterator = Make<SinglePrimitiveIterator>();
    iterator->mPrimitive = Make<CircleArc<double>>();
    mObjects.Add(iterator);

    // Clip planes of both precisions, one of them without its device array.
    mObjects.Add(Make<XPlaneSet<float>>(6));
    mObjects.Add(index % 2 ? Make<XPlaneSet<double>>(6) : Make<XPlaneSet<double>>());
    mObjects.Add(Make<SharedMatrix>());

    // A spatial node with attachments of kinds 1, 2 and 7.
    auto* node = Make<ISpatialNode>();
    node->Attach(Make<Attachment>(static_cast<ARefCounted*>(imageF)));
    node->Attach(Make<Attachment>(static_cast<IDelete*>(Make<ALocaleStrategy>())));
    node->Attach(Make<Attachment>(7));
    mSpatialNodes.Add(node);

    // A sample generator (attachable at a secondary base) with its random generator.
    auto* generator = Make<ASampleGenerator>();
    generator->mRandom = Make<ARandomGenerator>();
    generator->Attach(Make<Attachment>(static_cast<ARefCounted*>(Make<APageableData>())));

    // Names: interned strings, and labels short enough to live inside the string or long enough for the heap.
    mNames.Add(Intern(index % 2 ? L"outline" : L"surface"));
    mLabels.emplace_back(index % 3 ? L"node" : std::wstring(L"a label long enough for a heap block #" +
                                                            std::to_wstring(index)).c_str());
    mSampleGenerators.push_back(generator);
}

void DemoScene::Measure(Utilities::RecordMemory& recorder) {
    WalkObjectImpl<decltype(mObjects)>::Instance().Walk(&mObjects, &recorder);
    WalkObjectImpl<decltype(mSpatialNodes)>::Instance().Walk(&mSpatialNodes, &recorder);
    WalkObjectImpl<ListOfPUStrings>::Instance().Walk(&mNames, &recorder);
    for (KString& label : mLabels) WalkObjectImpl<KString>::Instance().Walk(&label, &recorder);
    // Reached through their interface: the registry finds the generator's own walker.
    for (ISampleGenerator* generator : mSampleGenerators) Utilities::WalkPointer(generator, &recorder);
}

} // namespace Tarn::Demo
