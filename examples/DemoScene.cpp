#include "examples/DemoScene.h"

#include "examples/DemoGroup.h"

#include "engine/devices/Sys.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <new>
#include <string>

#include <sys/mman.h>

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
constexpr int kObjectsPerGroup = 368;

} // namespace

template <class T> T* DemoScene::OutsideHeap<T>::allocate(size_t count) {
    void* pages = mmap(nullptr, count * sizeof(T), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) throw std::bad_alloc();
    return static_cast<T*>(pages);
}
template <class T> void DemoScene::OutsideHeap<T>::deallocate(T* pages, size_t count) { munmap(pages, count * sizeof(T)); }
template struct DemoScene::OutsideHeap<DemoScene::Owned>;

unsigned char* DemoScene::MakeBlock(size_t bytes) {
    auto* block = new unsigned char[bytes > 0 ? bytes : 1]();
    mOwned.emplace_back(block, [](void* owned) { delete[] static_cast<unsigned char*>(owned); });
    return block;
}

DemoScene::DemoScene(int objects) : mGroups(objects / kObjectsPerGroup > 0 ? objects / kObjectsPerGroup : 1) {
    EnsureDevice();
    std::vector<Group> groups(static_cast<size_t>(mGroups));
    for (int index = 0; index < mGroups; ++index) {
        Group& group = groups[size_t(index)];
        group.mObjects = Make<Group::RefCountedList>();
        BuildGroup(index, group);
        BuildDeviceLayer(index, group);
        BuildRenderGraph(index, group);
    }
    BuildWorld(groups);
}

DemoScene::~DemoScene() {
    // Owned objects go in reverse order of making.
    while (!mOwned.empty()) mOwned.pop_back();
}

void DemoScene::BuildGroup(int index, Group& group) {
    // Double-precision image: a polyline curve, a bounded plane surface and an attribute.
    auto* outline = Make<Polyline<double>>();
    for (int i = 0; i < 5 + index % 7; ++i) outline->mVertices.Add({double(i), double(index), 0.0});
    auto* plane = Make<BoundedPlane<double>>();
    auto* imageD = Make<Image<double>>();
    imageD->mCurve = outline;
    imageD->mSurface = plane;
    imageD->mAttribute = Make<ImageAttribute>();
    group.mImageD = imageD;
    group.mOutline = outline;

    // Single-precision image with a circle, its related primitive a point.
    auto* circle = Make<Circle<float>>();
    auto* centre = Make<Point<float>>();
    circle->mRelated = centre;
    auto* imageF = index % 2 ? Make<Image<float>>() : Make<Terrain>();
    imageF->mCurve = circle;
    imageF->mSurface = Make<BoundedPlane<float>>();
    group.mImageF = imageF;
    group.mCircle = circle;

    // A point array whose points relate to the circle: reached again, as APrimitive.
    auto* points = Make<PointArray<float>>();
    for (int i = 0; i < 3; ++i) {
        Point<float> point;
        point.mRelated = i == 1 ? static_cast<APrimitive*>(circle) : nullptr;
        points->Add(point);
    }
    group.mPoints = points;

    // A context whose current primitive is the outline, reached before as Curve<double>.
    auto* context = Make<APrimitiveContext>();
    context->mCurrent = outline;
    group.mContext = context;
    auto* iterator = Make<SinglePrimitiveIterator>();
    iterator->mPrimitive = Make<CircleArc<double>>();
    group.mIterator = iterator;

    // Primitives of the other precision, reached only through the group's list.
    auto* arc = Make<CircleArc<float>>();
    arc->mRelated = Make<Point<double>>();
    auto* polyline = Make<Polyline<float>>();
    polyline->mVertices.Resize(4);
    polyline->mRelated = Make<Circle<double>>();
    auto* pointsD = Make<PointArray<double>>();
    pointsD->Add(Point<double>());
    for (ARefCounted* primitive : {static_cast<ARefCounted*>(arc), static_cast<ARefCounted*>(polyline),
                                   static_cast<ARefCounted*>(pointsD)})
        group.mObjects->Add(primitive);

    // Clip planes of both precisions, one of them without its device array.
    group.mPlanes = Make<XPlaneSet<float>>(6);
    group.mObjects->Add(index % 2 ? Make<XPlaneSet<double>>(6) : Make<XPlaneSet<double>>());
    group.mMatrix = Make<SharedMatrix>();

    // A locale with its strategy; the strategy is also attached to render nodes.
    group.mStrategy = Make<ALocaleStrategy>();
    group.mLocale = Make<ALocale>();
    group.mLocale->mStrategy = group.mStrategy;

    // A label short enough to live inside the string, or long enough for the heap.
    group.mLabel = Make<KString>(index % 3 ? L"node" : std::wstring(L"a label long enough for a heap block #" +
                                                                    std::to_wstring(index)).c_str());
}

void DemoScene::Measure(Utilities::RecordMemory& recorder) {
    // Reached through its interface: the registry finds the manager's own walker, and from it everything else.
    Utilities::WalkPointer(static_cast<Graphics::IObjectManager*>(mManager), &recorder);
}

} // namespace Tarn::Demo
