// How the object model (Tarn::Objects) is walked.
//
// Every walker of an attachable type starts with its attachable part, walk.Base<AAttachable>: the chain of
// attachments, each booked before the next one is looked at.
#pragma once

#include "engine/devices/Sys.h"
#include "engine/objects/Objects.h"
#include "utilities/walk/WalkerDefinitions.h"
#include "utilities/walkers/ContainerWalks.h"

namespace Tarn::Utilities {

using namespace Tarn::Objects;

// ---- Attachments

inline void WalkMembers(AAttachable& owner, Walking& walk) {
    for (Attachment* link = owner.AttachmentHead(); link; link = link->mNext) walk.Pointer(link);
}

inline void WalkMembers(Attachment& attachment, Walking& walk) {
    if (attachment.mKind == Attachment::kRefCounted) walk.Pointer(attachment.RefCountedData());
    else if (attachment.mKind == Attachment::kDelete) walk.Pointer(attachment.IDeleteData());
}

inline void WalkMembers(ISpatialNode& node, Walking& walk) { walk.Base<AAttachable>(node); }
inline void WalkMembers(ISampleGenerator& generator, Walking& walk) { walk.Base<AAttachable>(generator); }

inline void WalkMembers(ASampleGenerator& generator, Walking& walk) {
    walk.Base<AAttachable>(generator);
    walk.Pointer(generator.RandomGenerator());
}

// ---- Primitives: the related primitive, then what a kind holds of its own

using RelatedPrimitiveOnly = TypeFamily<APrimitive, Point<float>, Point<double>, Curve<float>, Curve<double>,
                                        Surface<float>, Surface<double>, Circle<float>, Circle<double>,
                                        CircleArc<float>, CircleArc<double>, BoundedPlane<float>, BoundedPlane<double>>;

template <class P>
std::enable_if_t<RelatedPrimitiveOnly::Has<P>> WalkMembers(P& primitive, Walking& walk) {
    walk.Pointer(primitive.mRelated);
}

template <class T> void WalkMembers(Polyline<T>& polyline, Walking& walk) {
    walk.Prefetch(polyline.mVertices.mData);  // booked after the related primitive's walk
    walk.Pointer(polyline.mRelated);
    walk.Embedded(polyline.mVertices);
}

template <class T> void WalkMembers(PointArray<T>& points, Walking& walk) {
    walk.Pointer(points.mRelated);
    walk.Base<_ArrayList<Point<T>, NoLifetime<Point<T>>>>(points);
}

inline void WalkMembers(APrimitiveContext& context, Walking& walk) { walk.Pointer(context.CurrentPrimitive()); }
inline void WalkMembers(SinglePrimitiveIterator& iterator, Walking& walk) { walk.Pointer(iterator.mPrimitive); }

template <class T> void WalkMembers(Image<T>& image, Walking& walk) {
    walk.Pointers(image.CurveModel(), image.SurfaceModel(), image.ImageAttr());
}

// The device array holds as many planes as the first virtual device supports; the count is asked even when the
// array is missing. Without a device the count is unknown and the array is not booked.
template <class T> void WalkMembers(XPlaneSet<T>& planes, Walking& walk) {
    Devices::VirtualDeviceList& devices = Devices::Sys::VirtualDevices();
    const Devices::AVirtualDevice* device = devices.Count() > 0 ? devices.GetAt(0) : nullptr;
    const Devices::DeviceCapabilities* capabilities = device ? device->Capabilities() : nullptr;
    if (!capabilities) return;
    walk.Block(planes.DevicePlanes(), NonNegative(capabilities->PlaneCount()) * sizeof(XPlane<T>));
}

inline void WalkMembers(ALocale& locale, Walking& walk) { walk.Pointer(locale.mStrategy); }

} // namespace Tarn::Utilities
