// The walkers of the object model (Tarn::Objects): which the library exports, and their registrations. How each is
// walked is in ObjectWalks.h.
#include "engine/devices/Declarations.h"
#include "utilities/walkers/Walks.h"

namespace Tarn::Utilities {

using namespace Tarn::Objects;

// ---- The exported walkers

template class WalkObjectImpl<AAttachable>;
template class WalkObjectImpl<Attachment>;
template class WalkObjectImpl<ISpatialNode>;
template class WalkObjectImpl<ISampleGenerator>;
template class WalkObjectImpl<ASampleGenerator>;

template class WalkObjectImpl<APrimitive>;
template class WalkObjectImpl<Point<float>>;
template class WalkObjectImpl<Point<double>>;
template class WalkObjectImpl<Curve<float>>;
template class WalkObjectImpl<Curve<double>>;
template class WalkObjectImpl<Polyline<float>>;
template class WalkObjectImpl<Polyline<double>>;
template class WalkObjectImpl<CircleArc<float>>;
template class WalkObjectImpl<CircleArc<double>>;
template class WalkObjectImpl<Circle<float>>;
template class WalkObjectImpl<Circle<double>>;
template class WalkObjectImpl<Surface<float>>;
template class WalkObjectImpl<Surface<double>>;
template class WalkObjectImpl<BoundedPlane<float>>;
template class WalkObjectImpl<BoundedPlane<double>>;
template class WalkObjectImpl<PointArray<float>>;
template class WalkObjectImpl<PointArray<double>>;
template class WalkObjectImpl<APrimitiveContext>;
template class WalkObjectImpl<SinglePrimitiveIterator>;
template class WalkObjectImpl<Image<float>>;
template class WalkObjectImpl<Image<double>>;
template class WalkObjectImpl<XPlaneSet<float>>;
template class WalkObjectImpl<XPlaneSet<double>>;
template class WalkObjectImpl<ALocale>;

// Nothing of their own: Walk books sizeof(T).
template class WalkObjectImpl<ARefCounted>;
template class WalkObjectImpl<SharedMatrix>;
template class WalkObjectImpl<APrimitiveIterator>;
template class WalkObjectImpl<ImageAttribute>;
template class WalkObjectImpl<IWorld>;
template class WalkObjectImpl<IWorldIterator>;
template class WalkObjectImpl<ALocaleStrategy>;
template class WalkObjectImpl<ARandomGenerator>;
template class WalkObjectImpl<APageableData>;
template class WalkObjectImpl<AUniqueName>;
template class WalkObjectImpl<AFlags>;
template class WalkObjectImpl<ACategory>;
template class WalkObjectImpl<HeapOperators>;
template class WalkObjectImpl<IClone>;
template class WalkObjectImpl<IBaseInterface>;
template class WalkObjectImpl<IDisposeResource>;
template class WalkObjectImpl<IUniqueName>;
template class WalkObjectImpl<IDelete>;
template class WalkObjectImpl<IPlugInObject>;
template class WalkObjectImpl<IEnumerable>;
template class WalkObjectImpl<ICategory>;
template class WalkObjectImpl<IUIName>;
template class WalkObjectImpl<IVertexFormat>;
template class WalkObjectImpl<mat4<double>>;
template class WalkObjectImpl<IValueEquals<Devices::EffectInstance>>;
template class WalkObjectImpl<IValueEquals<Devices::ParameterValues>>;
template class WalkObjectImpl<IValueEquals<Devices::ASamplerState>>;
template class WalkObjectImpl<IValueEquals<Devices::AVertexFormat>>;
template class WalkObjectImpl<IValueEquals<Devices::OverrideDeviceState>>;
template class WalkObjectImpl<IValueEquals<Devices::ARasterizerState>>;
template class WalkObjectImpl<IValueEquals<Devices::ADepthStencilState>>;
template class WalkObjectImpl<IValueEquals<Devices::ABlendState>>;

// ---- Registrations: static type, then the subclasses registered under it, in order

namespace {
const Registrations<
    SubClasses<IClone, Attachment, SharedMatrix, APrimitiveContext, ALocaleStrategy>,
    SubClasses<ARefCounted, SharedMatrix, APrimitiveContext, APrimitiveIterator, APrimitive, ImageAttribute,
               Image<double>, Image<float>, IWorld, APageableData, XPlaneSet<float>, XPlaneSet<double>>,
    SubClasses<AAttachable, ISpatialNode, ISampleGenerator>,
    SubClasses<APrimitive, Point<double>, Point<float>, PointArray<double>, PointArray<float>, Curve<double>,
               Curve<float>, Surface<double>, Surface<float>>,
    SubClasses<IBaseInterface, ARefCounted, ALocaleStrategy, ALocale>,
    SubClasses<IDelete, ALocaleStrategy>,
    SubClasses<Curve<double>, Polyline<double>, CircleArc<double>, Circle<double>>,
    SubClasses<Curve<float>, Polyline<float>, CircleArc<float>, Circle<float>>,
    SubClasses<AUniqueName, APrimitive>,
    SubClasses<IPlugInObject, ISampleGenerator>,
    SubClasses<IUniqueName, AUniqueName>,
    SubClasses<APrimitiveIterator, SinglePrimitiveIterator>,
    SubClasses<ICategory, ACategory>,
    SubClasses<ISampleGenerator, ASampleGenerator>,
    SubClasses<Surface<double>, BoundedPlane<double>>,
    SubClasses<Surface<float>, BoundedPlane<float>>,
    SubClasses<_ArrayList<Point<double>, NoLifetime<Point<double>>>, PointArray<double>>,
    SubClasses<_ArrayList<Point<float>, NoLifetime<Point<float>>>, PointArray<float>>>
    kRegistrations;
} // namespace

} // namespace Tarn::Utilities
