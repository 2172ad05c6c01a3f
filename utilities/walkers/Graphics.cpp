// The walkers of the render graph (Tarn::Graphics) that the library exports. How each is walked is in
// GraphicsWalks.h; their registrations are in Registrations.cpp.
#include "utilities/walkers/Walks.h"

namespace Tarn::Utilities {

// ---- Render nodes

template class WalkObjectImpl<ARenderNode>;
template class WalkObjectImpl<APrimitiveNode>;
template class WalkObjectImpl<ALineNode<float>>;
template class WalkObjectImpl<ALineNode<double>>;
template class WalkObjectImpl<PolylineNode<float>>;
template class WalkObjectImpl<PolylineNode<double>>;
template class WalkObjectImpl<CircleArcNode<float>>;
template class WalkObjectImpl<CircleArcNode<double>>;
template class WalkObjectImpl<CircleNode<float>>;
template class WalkObjectImpl<CircleNode<double>>;
template class WalkObjectImpl<PointNode<float>>;
template class WalkObjectImpl<PointNode<double>>;
template class WalkObjectImpl<PointArrayNode<float>>;
template class WalkObjectImpl<PointArrayNode<double>>;
template class WalkObjectImpl<ImageNode2<float>>;
template class WalkObjectImpl<ImageNode2<double>>;
template class WalkObjectImpl<GeometryNode>;
template class WalkObjectImpl<GeometryNodeDouble>;
template class WalkObjectImpl<CandidateItemNode>;
template class WalkObjectImpl<ConsolidationNode>;
template class WalkObjectImpl<LODConsolidationNode>;
template class WalkObjectImpl<FilterNode>;
template class WalkObjectImpl<BaseGroupNode>;
template class WalkObjectImpl<GroupNode>;
template class WalkObjectImpl<OccurrenceNode>;
template class WalkObjectImpl<Occurrence>;
template class WalkObjectImpl<AttributeCache>;
template class WalkObjectImpl<AttributeStyleList>;
template class WalkObjectImpl<AttributeLODList>;

// ---- Worlds and cells

template class WalkObjectImpl<AWorld>;
template class WalkObjectImpl<ARenderList>;
template class WalkObjectImpl<SingleNodeWorld>;
template class WalkObjectImpl<ConsolidatedWorld>;
template class WalkObjectImpl<LODConsolidatedWorld>;
template class WalkObjectImpl<ISpatialCell>;
template class WalkObjectImpl<BSPCell>;
template class WalkObjectImpl<LODConsolidationCell>;

// ---- Consolidation

template class WalkObjectImpl<ConsolidationBin>;
template class WalkObjectImpl<BaseBucketKey>;
template class WalkObjectImpl<ConsolidationBucket>;
template class WalkObjectImpl<ConsolidationItem>;
template class WalkObjectImpl<DependencyNotifier>;
template class WalkObjectImpl<ConsolidationNotifier>;

// ---- Change packets, object managers, stylized lines

template class WalkObjectImpl<ChangePacket>;
template class WalkObjectImpl<StandardObjectManager>;
template class WalkObjectImpl<PersistentObjectManager>;
template class WalkObjectImpl<StylizedLineItem<float>>;
template class WalkObjectImpl<StylizedLineItem<double>>;
template class WalkObjectImpl<EditableLineBuffer>;
template class WalkObjectImpl<ChannelDesc>;

// ---- Nothing of their own: Walk books sizeof(T)

template class WalkObjectImpl<Billboard>;
template class WalkObjectImpl<ClientTraversalState>;
template class WalkObjectImpl<ScriptInterpreter>;
template class WalkObjectImpl<IObjectManager>;
template class WalkObjectImpl<IChangePacket>;
template class WalkObjectImpl<CellIterator>;
template class WalkObjectImpl<BSPCellIterator>;

// ---- Text

template class WalkObjectImpl<Text::ATextNode>;
template class WalkObjectImpl<Text::PlainTextNode>;
template class WalkObjectImpl<Text::LodRenderableTextRun>;
template class WalkObjectImpl<Text::RenderableTextRun>;

} // namespace Tarn::Utilities
