// The walkers of the object model (Tarn::Objects) that the library exports. How each is walked is in
// ObjectWalks.h; their registrations are in Registrations.cpp.
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

} // namespace Tarn::Utilities
