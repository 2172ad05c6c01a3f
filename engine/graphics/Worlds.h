// Worlds and the spatial index: BSP cells holding render nodes, their iterators, and the worlds a host holds.
//
//   ConsolidatedWorld / LODConsolidatedWorld   the scene as the engine keeps it: cells, filters, the render-node
//                                              list, the consolidation buckets, and a world of one node
//   BSPCell                                    a cell with its render nodes and its front and back child cells
//
// A cell's iterator yields its child cells, then its render nodes; whoever asks for one releases it.
#pragma once

#include "engine/graphics/Consolidation.h"

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

class CellIterator : public Objects::IWorldIterator {};

// Iterates a fixed list of spatial nodes, taken when the iterator was made.
class BSPCellIterator : public CellIterator {
public:
    void Add(Objects::ISpatialNode* node) { mNodes.Add(node); }
    void Reset(const vec3<float>&) override { mNext = 0; }
    Objects::ISpatialNode* Next() override { return mNext < mNodes.Count() ? mNodes[mNext++] : nullptr; }

private:
    Objects::_ArrayList<Objects::ISpatialNode*, Objects::NoLifetime<Objects::ISpatialNode*>> mNodes;
    int mNext = 0;
};

class BSPCell : public ISpatialCell {
public:
    Objects::Box3 WorldBox() const override { return mBox; }
    Objects::IWorldIterator* ChildIterator() override;

    int MemberCount() const override { return mNodes.Count(); }
    int TotalMemberCount() const override;
    int TotalInteriorCellCount() const override;
    int TotalLeafCellCount() const override;
    int ChildCount() const override { return (mFront ? 1 : 0) + (mBack ? 1 : 0); }
    float GeometricProbability() const override { return mProbability; }
    float TotalProbabilityCost() const override;
    bool IsLeaf() const override { return !mFront && !mBack; }

    ListOfNodes mNodes;
    ISpatialCell* mFront = nullptr;
    ISpatialCell* mBack = nullptr;
    Objects::Box3 mBox;
    float mProbability = 1;  // of a query that reaches the parent cell reaching this one
};

class LODConsolidationNode;

class LODConsolidationCell : public BSPCell {
public:
    LODConsolidationNode* ConsolidationNode() const { return mConsolidation; }
    LODConsolidationNode* mConsolidation = nullptr;
};

// ---- Worlds

class AWorld : public Objects::AAttachable, public Objects::IWorld {
public:
    // A new iterator over the world's top level; the caller releases it.
    virtual Objects::IWorldIterator* TopLevelIterator() { return new BSPCellIterator; }
};

class ARenderList : public AWorld, public Objects::IClone {
public:
    ListOfNodes& Items() { return mItems; }
    ListOfNodes& NoCullingItems() { return mNoCullingItems; }

    ListOfNodes mItems;
    ListOfNodes mNoCullingItems;
    ISpatialCell* mCell = nullptr;
};

class SingleNodeWorld : public AWorld {
public:
    ARenderNode* mNode = nullptr;
};

class ConsolidatedWorld : public AWorld {
public:
    Objects::IWorldIterator* TopLevelIterator() override;

    BSPCell* mCells[3] = {};  // opaque, transparent, overlay
    FilterNode* mFilters[3] = {};
    BaseBucketKey* mKey = nullptr;
    RenderNodeList mNodes;
    ConsolidationBuckets mBuckets;
    ConsolidationLodBuckets mLodBuckets;
    SingleNodeWorld* mSingle = nullptr;
};

class LODConsolidatedWorld : public AWorld {
public:
    Objects::IWorldIterator* TopLevelIterator() override;

    BSPCell* mCell = nullptr;
    FilterNode* mFilter = nullptr;
    RenderNodeList mNodes;
    LODConsolidationCell* mLODCell = nullptr;
    FilterNode* mLODFilter = nullptr;
    SingleNodeWorld* mSingle = nullptr;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
