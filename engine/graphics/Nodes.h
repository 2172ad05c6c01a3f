// The render node families: primitive, line, point, image, geometry, candidate, consolidation, filter, group and
// occurrence nodes, and the occurrences that place a node along a path of groups.
#pragma once

#include "engine/graphics/Lists.h"
#include "engine/graphics/RenderNode.h"
#include "engine/graphics/SpatialCell.h"

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

class BaseBucketKey;
class ClientTraversalState;
class ConsolidationItem;

// ---- Primitive nodes

class APrimitiveNode : public ARenderNode {
public:
    Objects::APrimitive* mSource = nullptr;
    Objects::APrimitiveContext* mContext = nullptr;
    Devices::EffectInstance* mSourceEffect = nullptr;
    Objects::SharedMatrix* mLocalMatrix = nullptr;
    Objects::APrimitiveIterator* mIterator = nullptr;
    Devices::EffectInstance* mHighlightEffect = nullptr;
    Devices::AVertexFormat* mVertexFormat = nullptr;
};

template <class T> class ALineNode : public APrimitiveNode {};
template <class T> class PolylineNode : public ALineNode<T> {};
template <class T> class CircleArcNode : public ALineNode<T> {};
template <class T> class CircleNode : public ALineNode<T> {};
template <class T> class PointNode : public APrimitiveNode {};
template <class T> class PointArrayNode : public APrimitiveNode {};

template <class T> class ImageNode2 : public ARenderNode {
public:
    Devices::EffectInstance* EffectInst() const { return mImageEffect; }
    virtual Objects::Image<T>* Image() const { return mImage; }

    Devices::EffectInstance* mImageEffect = nullptr;
    Objects::Image<T>* mImage = nullptr;
};

// ---- Nodes that draw render items

class GeometryNode : public ARenderNode {
public:
    Devices::IRenderItem* RenderItem() const { return mItem; }
    Devices::IRenderItem* mItem = nullptr;
};

class GeometryNodeDouble : public GeometryNode {
public:
    Tarn::mat4<double> mPreciseMatrix;
};

// A node considered for consolidation, with the item it would contribute.
class CandidateItemNode : public ARenderNode {
public:
    Devices::IRenderItem* RenderItem() const { return mItem; }
    ARenderNode* RenderNode() const { return mNode; }

    Devices::IRenderItem* mItem = nullptr;
    ARenderNode* mNode = nullptr;
};

class ConsolidationNode : public ARenderNode {
public:
    ConsolidationItem* RenderItem() const { return mItem; }

    ConsolidationItem* mItem = nullptr;
    BaseBucketKey* mKey = nullptr;
};

// Bins by level of detail, finest last.
class LODConsolidationNode : public ARenderNode {
public:
    static constexpr int kLevels = 16;
    ConsolidationBins mBins[kLevels];
    ListOfNodes mNodes;
};

class FilterNode : public ARenderNode {
public:
    ISpatialCell* mCell = nullptr;
};

class BaseGroupNode : public ARenderNode {
public:
    Objects::IWorld* World() const { return mWorld; }
    Objects::IWorld* mWorld = nullptr;
};

class GroupNode : public BaseGroupNode {};

// ---- Occurrences: a node placed along a path of group nodes

class Occurrence : public Objects::ARefCounted {
public:
    Occurrence* Parent() const { return mParent; }

    Occurrence* mParent = nullptr;  // null at the root
    Objects::ARefCounted* mData = nullptr;
};

class ClientTraversalState : public Objects::IBaseInterface, public Objects::IDelete, public Objects::IClone {};

class AOccurrenceNode : public ARenderNode {
public:
    Occurrence* Path() const { return mPath; }
    ClientTraversalState* ClientState() const { return mClientState; }
    ARenderNode* RenderNode() const { return mNode; }
    Objects::SharedMatrix* ParentMatrix() const { return mParentMatrix; }

    Occurrence* mPath = nullptr;
    ClientTraversalState* mClientState = nullptr;
    ARenderNode* mNode = nullptr;
    Objects::SharedMatrix* mParentMatrix = nullptr;
};

class OccurrenceNode : public AOccurrenceNode {
public:
    Objects::ALocale* mPathLocale = nullptr;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
