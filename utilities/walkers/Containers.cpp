// The walkers of the engine's containers and strings that the library exports. How each is walked is in
// ContainerWalks.h; their registrations are in Registrations.cpp.
#include "utilities/walkers/Walks.h"

namespace Tarn::Utilities {

using namespace Tarn::Objects;
using namespace Tarn::Devices;

using BucketEntry = _KeyValue<Graphics::ConsolidationBucket*, Graphics::BaseBucketKey*>;
using BucketTable = _HashTable<BucketEntry, Graphics::BaseBucketKey*,
                               _KeyValueHasher<Graphics::ConsolidationBucket*, Graphics::BaseBucketKey*,
                                               _Hasher<Graphics::BaseBucketKey*>>>;

// ---- The exported walkers. Lists: the _ListBase of a row of the container table, then its list kinds.

// Pointers: the array, then the elements.
template class WalkObjectImpl<_ListBase<Graphics::ARenderNode*, RefCountedLifetime<Graphics::ARenderNode*>>>;
template class WalkObjectImpl<_ArrayList<Graphics::ARenderNode*, RefCountedLifetime<Graphics::ARenderNode*>>>;
template class WalkObjectImpl<_UnorderedList<Graphics::ARenderNode*, RefCountedLifetime<Graphics::ARenderNode*>>>;
template class WalkObjectImpl<_ListBase<Graphics::GeometryNode*, RefCountedLifetime<Graphics::GeometryNode*>>>;
template class WalkObjectImpl<_ArrayList<Graphics::GeometryNode*, RefCountedLifetime<Graphics::GeometryNode*>>>;
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
template class WalkObjectImpl<_ListBase<AParameter*, RefCountedLifetime<AParameter*>>>;
template class WalkObjectImpl<_ArrayList<AParameter*, RefCountedLifetime<AParameter*>>>;
template class WalkObjectImpl<_ListBase<AConstantBuffer*, NoLifetime<AConstantBuffer*>>>;
template class WalkObjectImpl<_ArrayList<AConstantBuffer*, NoLifetime<AConstantBuffer*>>>;
template class WalkObjectImpl<_ListBase<IRenderGeom*, NoLifetime<IRenderGeom*>>>;
template class WalkObjectImpl<_FixedList<IRenderGeom*, NoLifetime<IRenderGeom*>>>;
template class WalkObjectImpl<_ListBase<IRenderGeom*, RefCountedLifetime<IRenderGeom*>>>;
template class WalkObjectImpl<_ArrayList<IRenderGeom*, RefCountedLifetime<IRenderGeom*>>>;
template class WalkObjectImpl<_ListBase<SSubGeom*, NoLifetime<SSubGeom*>>>;
template class WalkObjectImpl<_ArrayList<SSubGeom*, NoLifetime<SSubGeom*>>>;
template class WalkObjectImpl<_ListBase<GeomInstance*, NoLifetime<GeomInstance*>>>;
template class WalkObjectImpl<_ArrayList<GeomInstance*, NoLifetime<GeomInstance*>>>;
template class WalkObjectImpl<_ListBase<AVertexBuffer*, NoLifetime<AVertexBuffer*>>>;
template class WalkObjectImpl<_ArrayList<AVertexBuffer*, NoLifetime<AVertexBuffer*>>>;
template class WalkObjectImpl<_ListBase<AFragmentInstance*, RefCountedLifetime<AFragmentInstance*>>>;
template class WalkObjectImpl<_ArrayList<AFragmentInstance*, RefCountedLifetime<AFragmentInstance*>>>;
template class WalkObjectImpl<_ListBase<AFragmentInstance*, NoLifetime<AFragmentInstance*>>>;
template class WalkObjectImpl<_ArrayList<AFragmentInstance*, NoLifetime<AFragmentInstance*>>>;
template class WalkObjectImpl<_ListBase<LightInstance*, NoLifetime<LightInstance*>>>;
template class WalkObjectImpl<_ArrayList<LightInstance*, NoLifetime<LightInstance*>>>;
template class WalkObjectImpl<_ListBase<ABaseImplementation*, NoLifetime<ABaseImplementation*>>>;
template class WalkObjectImpl<_ArrayList<ABaseImplementation*, NoLifetime<ABaseImplementation*>>>;
template class WalkObjectImpl<_ListBase<AFragment*, RefCountedLifetime<AFragment*>>>;
template class WalkObjectImpl<_ArrayList<AFragment*, RefCountedLifetime<AFragment*>>>;
template class WalkObjectImpl<_ListBase<InParameter*, RefCountedLifetime<InParameter*>>>;
template class WalkObjectImpl<_ArrayList<InParameter*, RefCountedLifetime<InParameter*>>>;
template class WalkObjectImpl<_ListBase<IRenderItem*, RefCountedLifetime<IRenderItem*>>>;
template class WalkObjectImpl<_ArrayList<IRenderItem*, RefCountedLifetime<IRenderItem*>>>;
template class WalkObjectImpl<_ListBase<Graphics::ConsolidationBin*, RefCountedLifetime<Graphics::ConsolidationBin*>>>;
template class WalkObjectImpl<_UnorderedList<Graphics::ConsolidationBin*, RefCountedLifetime<Graphics::ConsolidationBin*>>>;
template class WalkObjectImpl<_ListBase<Graphics::ConsolidationBin*, NoLifetime<Graphics::ConsolidationBin*>>>;
template class WalkObjectImpl<_ArrayList<Graphics::ConsolidationBin*, NoLifetime<Graphics::ConsolidationBin*>>>;
template class WalkObjectImpl<_ListBase<Text::LodRenderableTextRun*, NoLifetime<Text::LodRenderableTextRun*>>>;
template class WalkObjectImpl<_ArrayList<Text::LodRenderableTextRun*, NoLifetime<Text::LodRenderableTextRun*>>>;
template class WalkObjectImpl<_ListBase<Text::RenderableTextRun*, NoLifetime<Text::RenderableTextRun*>>>;
template class WalkObjectImpl<_ArrayList<Text::RenderableTextRun*, NoLifetime<Text::RenderableTextRun*>>>;
template class WalkObjectImpl<_ListBase<Graphics::ChannelDesc*, NoLifetime<Graphics::ChannelDesc*>>>;
template class WalkObjectImpl<_ArrayList<Graphics::ChannelDesc*, NoLifetime<Graphics::ChannelDesc*>>>;
template class WalkObjectImpl<_ListBase<Graphics::DependencyNotifier*, RefCountedLifetime<Graphics::DependencyNotifier*>>>;
template class WalkObjectImpl<_UnorderedList<Graphics::DependencyNotifier*, RefCountedLifetime<Graphics::DependencyNotifier*>>>;

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
template class WalkObjectImpl<_ListBase<SourceImplementation::Declaration, NoLifetime<SourceImplementation::Declaration>>>;
template class WalkObjectImpl<_ArrayList<SourceImplementation::Declaration, NoLifetime<SourceImplementation::Declaration>>>;
template class WalkObjectImpl<_ListBase<ASymbol, NoLifetime<ASymbol>>>;
template class WalkObjectImpl<_ArrayList<ASymbol, NoLifetime<ASymbol>>>;
template class WalkObjectImpl<_ListBase<SamplePoint<vec3<float>>, NoLifetime<SamplePoint<vec3<float>>>>>;
template class WalkObjectImpl<_ArrayList<SamplePoint<vec3<float>>, NoLifetime<SamplePoint<vec3<float>>>>>;

// Values that hold pointers: the elements, then the array.
template class WalkObjectImpl<_ListBase<Point<double>, NoLifetime<Point<double>>>>;
template class WalkObjectImpl<_ArrayList<Point<double>, NoLifetime<Point<double>>>>;
template class WalkObjectImpl<_ListBase<Point<float>, NoLifetime<Point<float>>>>;
template class WalkObjectImpl<_ArrayList<Point<float>, NoLifetime<Point<float>>>>;
template class WalkObjectImpl<_ListBase<CBInstance, NoLifetime<CBInstance>>>;
template class WalkObjectImpl<_ArrayList<CBInstance, NoLifetime<CBInstance>>>;
template class WalkObjectImpl<_ListBase<Graphics::ConsolidationSource, NoLifetime<Graphics::ConsolidationSource>>>;
template class WalkObjectImpl<_UnorderedList<Graphics::ConsolidationSource, NoLifetime<Graphics::ConsolidationSource>>>;
template class WalkObjectImpl<_ListBase<Graphics::PolylineDesc, NoLifetime<Graphics::PolylineDesc>>>;
template class WalkObjectImpl<_ArrayList<Graphics::PolylineDesc, NoLifetime<Graphics::PolylineDesc>>>;
template class WalkObjectImpl<_ListBase<BucketEntry, NoLifetime<BucketEntry>>>;
template class WalkObjectImpl<_ArrayList<BucketEntry, NoLifetime<BucketEntry>>>;
template class WalkObjectImpl<BucketTable::ValueList>;

// The values themselves: what their lists walk in place.
template class WalkObjectImpl<Graphics::ConsolidationSource>;
template class WalkObjectImpl<Graphics::PolylineDesc>;
template class WalkObjectImpl<BucketEntry>;

// Hash maps: each bucket's entries and array, then the bucket array.
template class WalkObjectImpl<BucketTable>;
template class WalkObjectImpl<Graphics::BucketMap>;
template class WalkObjectImpl<Graphics::ConsolidationBuckets>;
template class WalkObjectImpl<Graphics::ConsolidationLodBuckets>;

// The change-packet queue: 8 bytes an element on the queue's own size, then the packets in queue order.
template class WalkObjectImpl<Graphics::ChangePacketQueue>;
template class WalkObjectImpl<Graphics::ListOfChangePacket>;

// Named lists.
template class WalkObjectImpl<ListOfInts>;
template class WalkObjectImpl<ListOfPoints3D<float>>;
template class WalkObjectImpl<ListOfPoints3D<double>>;
template class WalkObjectImpl<SegmentIndexDescList>;
template class WalkObjectImpl<ListOfPUStrings>;
template class WalkObjectImpl<InParameterList>;
template class WalkObjectImpl<ListOfRenderables>;
template class WalkObjectImpl<CBInstanceList>;
template class WalkObjectImpl<ConstantBufferSet>;
template class WalkObjectImpl<LightSet>;
template class WalkObjectImpl<FragmentList>;
template class WalkObjectImpl<ImplementationList>;
template class WalkObjectImpl<KeywordList>;
template class WalkObjectImpl<SourceImplementation::SourceList>;
template class WalkObjectImpl<SourceImplementation::DeclarationList>;
template class WalkObjectImpl<Graphics::ListOfNodes>;
template class WalkObjectImpl<Graphics::UnorderedListOfNodes>;
template class WalkObjectImpl<Graphics::ListOfItems>;
template class WalkObjectImpl<Graphics::ConsolidationBins>;
template class WalkObjectImpl<Graphics::ListOfConsolidationBins>;
template class WalkObjectImpl<Graphics::ListOfNotifiers>;
template class WalkObjectImpl<Graphics::ConsolidationSources>;
template class WalkObjectImpl<Graphics::NotifierList>;
template class WalkObjectImpl<Graphics::RenderNodeList>;
template class WalkObjectImpl<Graphics::TraversalStateList>;

// Strings.
template class WalkObjectImpl<KString>;
template class WalkObjectImpl<const KString>;
template class WalkObjectImpl<KStringA>;
template class WalkObjectImpl<UString>;
template class WalkObjectImpl<UStringA>;

} // namespace Tarn::Utilities
