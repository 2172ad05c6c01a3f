// The walkers of the engine's containers and strings: which instantiations the library exports, and their
// registrations. How each is walked is in ContainerWalks.h.
#include "utilities/walkers/Walks.h"

namespace Tarn::Utilities {

using namespace Tarn::Objects;

// ---- The exported walkers. Lists: the _ListBase of a row of the container table, then its list kinds.

// Pointers: the array, then the elements.
template class WalkObjectImpl<_ListBase<ISpatialNode*, NoLifetime<ISpatialNode*>>>;
template class WalkObjectImpl<_ArrayList<ISpatialNode*, NoLifetime<ISpatialNode*>>>;
template class WalkObjectImpl<_ListBase<UString*, NoLifetime<UString*>>>;
template class WalkObjectImpl<_ArrayList<UString*, NoLifetime<UString*>>>;
template class WalkObjectImpl<_ListBase<UStringA*, NoLifetime<UStringA*>>>;
template class WalkObjectImpl<_ArrayList<UStringA*, NoLifetime<UStringA*>>>;
template class WalkObjectImpl<_ListBase<ARefCounted*, RefCountedLifetime<ARefCounted*>>>;
template class WalkObjectImpl<_ArrayList<ARefCounted*, RefCountedLifetime<ARefCounted*>>>;
template class WalkObjectImpl<_ListBase<Curve<float>*, NoLifetime<Curve<float>*>>>;
template class WalkObjectImpl<_ArrayList<Curve<float>*, NoLifetime<Curve<float>*>>>;

// Plain values: the array only.
template class WalkObjectImpl<_ListBase<int, NoLifetime<int>>>;
template class WalkObjectImpl<_ArrayList<int, NoLifetime<int>>>;
template class WalkObjectImpl<_ListBase<float, NoLifetime<float>>>;
template class WalkObjectImpl<_ArrayList<float, NoLifetime<float>>>;
template class WalkObjectImpl<_ListBase<vec3<float>, NoLifetime<vec3<float>>>>;
template class WalkObjectImpl<_ArrayList<vec3<float>, NoLifetime<vec3<float>>>>;
template class WalkObjectImpl<_ListBase<vec3<double>, NoLifetime<vec3<double>>>>;
template class WalkObjectImpl<_ArrayList<vec3<double>, NoLifetime<vec3<double>>>>;
template class WalkObjectImpl<_ListBase<SegmentIndexDesc, NoLifetime<SegmentIndexDesc>>>;
template class WalkObjectImpl<_ArrayList<SegmentIndexDesc, NoLifetime<SegmentIndexDesc>>>;

// Values that hold pointers: the elements, then the array.
template class WalkObjectImpl<_ListBase<Point<double>, NoLifetime<Point<double>>>>;
template class WalkObjectImpl<_ArrayList<Point<double>, NoLifetime<Point<double>>>>;
template class WalkObjectImpl<_ListBase<Point<float>, NoLifetime<Point<float>>>>;
template class WalkObjectImpl<_ArrayList<Point<float>, NoLifetime<Point<float>>>>;

// Named lists.
template class WalkObjectImpl<ListOfInts>;
template class WalkObjectImpl<ListOfPoints3D<float>>;
template class WalkObjectImpl<ListOfPoints3D<double>>;
template class WalkObjectImpl<SegmentIndexDescList>;
template class WalkObjectImpl<ListOfPUStrings>;

// Strings.
template class WalkObjectImpl<KString>;
template class WalkObjectImpl<const KString>;
template class WalkObjectImpl<KStringA>;
template class WalkObjectImpl<UString>;
template class WalkObjectImpl<UStringA>;

// ---- Registrations: static type, then the subclasses registered under it, in order.
// Every list kind is registered under its own _ListBase, where a down-cast can find it.

namespace {
const Registrations<SubClasses<IClone,
                          _ListBase<ISpatialNode*, NoLifetime<ISpatialNode*>>,
                          _ListBase<UString*, NoLifetime<UString*>>,
                          _ListBase<UStringA*, NoLifetime<UStringA*>>,
                          _ListBase<int, NoLifetime<int>>,
                          _ListBase<ARefCounted*, RefCountedLifetime<ARefCounted*>>,
                          _ListBase<Curve<float>*, NoLifetime<Curve<float>*>>,
                          _ListBase<Point<double>, NoLifetime<Point<double>>>,
                          _ListBase<Point<float>, NoLifetime<Point<float>>>>,
                    SubClasses<_ListBase<ISpatialNode*, NoLifetime<ISpatialNode*>>, _ArrayList<ISpatialNode*, NoLifetime<ISpatialNode*>>>,
                    SubClasses<_ListBase<UString*, NoLifetime<UString*>>, _ArrayList<UString*, NoLifetime<UString*>>>,
                    SubClasses<_ListBase<UStringA*, NoLifetime<UStringA*>>, _ArrayList<UStringA*, NoLifetime<UStringA*>>>,
                    SubClasses<_ListBase<ARefCounted*, RefCountedLifetime<ARefCounted*>>, _ArrayList<ARefCounted*, RefCountedLifetime<ARefCounted*>>>,
                    SubClasses<_ListBase<Curve<float>*, NoLifetime<Curve<float>*>>, _ArrayList<Curve<float>*, NoLifetime<Curve<float>*>>>,
                    SubClasses<_ListBase<int, NoLifetime<int>>, _ArrayList<int, NoLifetime<int>>>,
                    SubClasses<_ListBase<float, NoLifetime<float>>, _ArrayList<float, NoLifetime<float>>>,
                    SubClasses<_ListBase<vec3<float>, NoLifetime<vec3<float>>>, _ArrayList<vec3<float>, NoLifetime<vec3<float>>>>,
                    SubClasses<_ListBase<vec3<double>, NoLifetime<vec3<double>>>, _ArrayList<vec3<double>, NoLifetime<vec3<double>>>>,
                    SubClasses<_ListBase<SegmentIndexDesc, NoLifetime<SegmentIndexDesc>>, _ArrayList<SegmentIndexDesc, NoLifetime<SegmentIndexDesc>>>,
                    SubClasses<_ListBase<Point<double>, NoLifetime<Point<double>>>, _ArrayList<Point<double>, NoLifetime<Point<double>>>>,
                    SubClasses<_ListBase<Point<float>, NoLifetime<Point<float>>>, _ArrayList<Point<float>, NoLifetime<Point<float>>>>,
                    SubClasses<_ArrayList<UString*, NoLifetime<UString*>>, ListOfPUStrings>,
                    SubClasses<_ArrayList<int, NoLifetime<int>>, ListOfInts>,
                    SubClasses<_ArrayList<SegmentIndexDesc, NoLifetime<SegmentIndexDesc>>, SegmentIndexDescList>,
                    SubClasses<_ArrayList<vec3<double>, NoLifetime<vec3<double>>>, ListOfPoints3D<double>>,
                    SubClasses<_ArrayList<vec3<float>, NoLifetime<vec3<float>>>, ListOfPoints3D<float>>> kRegistrations;
} // namespace

} // namespace Tarn::Utilities
