// How the render graph (Tarn::Graphics) is walked: render nodes, attribute lists, worlds and cells,
// consolidation, occurrences, change packets, object managers and stylized lines.
#pragma once

#include "engine/graphics/Graphics.h"
#include "utilities/walk/WalkerDefinitions.h"
#include "utilities/walkers/ContainerWalks.h"
#include "utilities/walkers/DeviceWalks.h"
#include "utilities/walkers/FragmentWalks.h"

namespace Tarn::Utilities {

using namespace Tarn::Graphics;

using GraphicsBaseWalks = BaseWalkTable<
    WalkedAs<AAttachable, AWorld, ISpatialCell>,
    WalkedAs<GeometryNode, GeometryNodeDouble>,
    WalkedAs<StandardObjectManager, PersistentObjectManager>>;

template <class T> std::enable_if_t<GraphicsBaseWalks::Lists<T>> WalkMembers(T& object, Walking& walk) {
    walk.Base<GraphicsBaseWalks::Of<T>>(object);
}

// ---- Attribute lists: what the items member holds is told by the flags

using AttributeLists = TypeFamily<AttributeCache, AttributeStyleList, AttributeLODList>;

template <class A> std::enable_if_t<AttributeLists::Has<A>> WalkMembers(A& list, Walking& walk) {
    using RefCountedList = _ArrayList<ARefCounted*, RefCountedLifetime<ARefCounted*>>;
    if (list.mFlags & kAttributeStyles) {
        WalkPointerArray(static_cast<AttributeStyleList**>(list.mItems), list.mCount, list.mCapacity, walk);
        return;
    }
    switch (list.mFlags & kAttributeListArray) {
    case kAttributeSingle:
        if (list.mCount > 0) walk.Pointer(static_cast<ARefCounted*>(list.mItems));
        break;
    case kAttributeArray:
    case kAttributeSharedArray:
        WalkPointerArray(static_cast<ARefCounted**>(list.mItems), list.mCount, list.mCapacity, walk);
        break;
    default:
        WalkPointerArray(static_cast<RefCountedList**>(list.mItems), list.mCount, list.mCapacity, walk);
    }
}

// ---- Render nodes

inline void WalkMembers(ARenderNode& node, Walking& walk) {
    walk.Base<AAttachable>(node);
    walk.Pointer(node.Attributes());
    walk.Pointer(node.mLocale);
}

inline void WalkMembers(APrimitiveNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.mSource);
    walk.Pointer(node.mContext);
    walk.Pointer(node.mSourceEffect);
    walk.Pointer(node.mLocalMatrix);
    walk.Pointer(node.mIterator);
    walk.Pointer(node.mHighlightEffect);
    walk.Pointer(node.mVertexFormat);
}

template <class T> void WalkMembers(ALineNode<T>& node, Walking& walk) {
    walk.Base<APrimitiveNode>(node);
    walk.Pointer(node.Effect());
    walk.Pointer(node.WorldMatrix());
}

template <class T> void WalkLineNodePart(ALineNode<T>& node, Walking& walk) { walk.Base<ALineNode<T>>(node); }

using LineNodes = TypeFamily<PolylineNode<float>, PolylineNode<double>, CircleArcNode<float>, CircleArcNode<double>,
                             CircleNode<float>, CircleNode<double>>;
template <class N> std::enable_if_t<LineNodes::Has<N>> WalkMembers(N& node, Walking& walk) {
    WalkLineNodePart(node, walk);
    walk.Pointer(node.Primitive());
}

using PointNodes = TypeFamily<PointNode<float>, PointNode<double>, PointArrayNode<float>, PointArrayNode<double>>;
template <class N> std::enable_if_t<PointNodes::Has<N>> WalkMembers(N& node, Walking& walk) {
    walk.Base<APrimitiveNode>(node);
    walk.Pointer(node.Primitive());
    walk.Pointer(node.Effect());
    walk.Pointer(node.WorldMatrix());
}

template <class T> void WalkMembers(ImageNode2<T>& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.EffectInst());
    walk.Pointer(node.WorldMatrix());
    walk.Pointer(node.Image());
}

inline void WalkMembers(GeometryNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.RenderItem());
}

inline void WalkMembers(CandidateItemNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.RenderItem());
    walk.Pointer(node.RenderNode());
}

inline void WalkMembers(ConsolidationNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.RenderItem());
    walk.Pointer(node.mKey);
}

// The bins from the last level to the first, then the bins' array itself: its bytes are inside the node and are
// booked once more as a block of their own, as reports have always shown them.
inline void WalkMembers(LODConsolidationNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    for (int level = LODConsolidationNode::kLevels - 1; level >= 0; --level) walk.Embedded(node.mBins[level]);
    walk.Block(node.mBins, sizeof(node.mBins));
    walk.Embedded(node.mNodes);
}

inline void WalkMembers(FilterNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.mCell);
}

inline void WalkMembers(BaseGroupNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.World());
}

inline void WalkMembers(GroupNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.World());
    walk.Pointer(node.WorldMatrix());
}

inline void WalkMembers(OccurrenceNode& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Pointer(node.ParentMatrix());
    walk.Pointer(node.mPathLocale);
    walk.Pointer(node.RenderNode());
    walk.Pointer(node.ClientState());
    walk.Pointer(node.Path());
}

// Each ancestor is walked by its child, one level of recursion per ancestor.
inline void WalkMembers(Occurrence& occurrence, Walking& walk) {
    walk.Pointer(occurrence.Parent());
    walk.Pointer(occurrence.mData);
}

// ---- Worlds and cells

inline void WalkMembers(ARenderList& list, Walking& walk) {
    walk.Base<AAttachable>(list);
    walk.Embedded(list.Items());
    walk.Embedded(list.NoCullingItems());
    walk.Pointer(list.mCell);
}

inline void WalkMembers(BSPCell& cell, Walking& walk) {
    walk.Base<AAttachable>(cell);
    walk.Embedded(cell.mNodes);
    walk.Pointer(cell.mFront);
    walk.Pointer(cell.mBack);
}

inline void WalkMembers(LODConsolidationCell& cell, Walking& walk) {
    walk.Base<BSPCell>(cell);
    walk.Pointer(cell.ConsolidationNode());
}

inline void WalkMembers(SingleNodeWorld& world, Walking& walk) {
    walk.Base<AAttachable>(world);
    walk.Pointer(world.mNode);
}

inline void WalkMembers(ConsolidatedWorld& world, Walking& walk) {
    walk.Base<AAttachable>(world);
    for (BSPCell* cell : world.mCells) walk.Pointer(cell);
    for (FilterNode* filter : world.mFilters) walk.Pointer(filter);
    walk.Pointer(world.mKey);
    walk.Embedded(world.mNodes.RenderNodes());
    walk.Embedded(world.mBuckets);
    walk.Embedded(world.mLodBuckets);
    walk.Pointer(world.mSingle);
}

inline void WalkMembers(LODConsolidatedWorld& world, Walking& walk) {
    walk.Base<AAttachable>(world);
    walk.Pointer(world.mCell);
    walk.Pointer(world.mFilter);
    walk.Embedded(world.mNodes.RenderNodes());
    walk.Pointer(world.mLODCell);
    walk.Pointer(world.mLODFilter);
    walk.Pointer(world.mSingle);
}

// ---- Consolidation

inline void WalkMembers(ConsolidationBin& bin, Walking& walk) {
    walk.Embedded(bin.mNodes);
    walk.Pointer(bin.Key());
    walk.Pointer(bin.mStates);
    walk.Embedded(bin.mPending);
}

inline void WalkMembers(BaseBucketKey& key, Walking& walk) {
    walk.Pointer(key.EffectInst());
    walk.Pointer(key.LocalGraphicScheme());
    walk.Pointer(key.VertexFormat());
    walk.Pointer(key.mLocale);
}

inline void WalkMembers(ConsolidationBucket& bucket, Walking& walk) { walk.Pointer(bucket.mFilter); }

inline void WalkMembers(ConsolidationItem& item, Walking& walk) {
    walk.Base<RenderItem>(item);
    walk.Embedded(item.mSources);
    walk.Pointer(item.mBucket);
}

inline void WalkMembers(DependencyNotifier& notifier, Walking& walk) { walk.Pointer(notifier.Source()); }

inline void WalkMembers(ConsolidationNotifier& notifier, Walking& walk) {
    walk.Base<DependencyNotifier>(notifier);
    walk.Pointer(notifier.Occurrence());
    walk.Pointer(notifier.mWorld);
}

// ---- Change packets and object managers

inline void WalkMembers(ChangePacket& packet, Walking& walk) {
    walk.Pointer(packet.Node());
    walk.Pointer(packet.NewMatrix());
    walk.Pointer(packet.NewDoubleMatrix());
    walk.Pointer(packet.mStrategy);
    walk.Pointer(packet.NewStyleGraph());
    walk.Pointer(packet.ChangedFragment());
    walk.Pointer(packet.NewClipPlanes());
    walk.Pointer(packet.NewLocalGraphicScheme());
    walk.Pointer(packet.NewBillboard());
    walk.Pointer(packet.DrawOrderNode());
}

inline void WalkMembers(StandardObjectManager& manager, Walking& walk) {
    walk.Pointer(manager.World());
    walk.Pointer(manager.mPackets);
}

// ---- Stylized lines

template <class T> void WalkMembers(StylizedLineItem<T>& item, Walking& walk) {
    walk.Base<RenderItem>(item);
    walk.Pointer(item.GetEditableLineBuffer());
}

inline void WalkMembers(EditableLineBuffer& buffer, Walking& walk) {
    walk.Embedded(buffer.mChannels);
    walk.Embedded(buffer.mWidths);
    walk.Pointer(buffer.mFormat);
    walk.Embedded(buffer.mPolylines);
}

// Exactly its length: the channel holds bytes, not a terminated text.
inline void WalkMembers(ChannelDesc& channel, Walking& walk) {
    walk.Block(channel.mBuffer, NonNegative(channel.mLength));
}

} // namespace Tarn::Utilities
