// WorldBuilder: a small world of nested cells holding render nodes, for tests and demo hosts.
//
//   WorldBuilder world;
//   SimpleCell* cell = world.AddCell(nullptr, {{0, 0, 0}, {10, 10, 1}});
//   world.AddRenderNode(cell, {{1, 1, 0}, {2, 2, 1}});
//   IWorldIterator* top = world.TopLevelIterator();  // the caller releases it
//
// The builder owns every node, matrix and plane set it makes and deletes them with itself. Iterators are the
// receiver's; the builder counts the ones still alive, so a test can prove that every one was released. An
// iterator may outlive the builder, but must not be advanced after it.
#pragma once

#include "engine/graphics/RenderNode.h"
#include "engine/graphics/SpatialCell.h"
#include "engine/objects/Containers.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

using SpatialNodeList = Objects::_ArrayList<Objects::ISpatialNode*, Objects::NoLifetime<Objects::ISpatialNode*>>;

// Walks a list of spatial nodes that it does not own, counted in *open while it lives.
class ListIterator : public Objects::IWorldIterator {
public:
    ListIterator(const SpatialNodeList& nodes, std::shared_ptr<int> open);
    ListIterator(const ListIterator&) = delete;
    ListIterator& operator=(const ListIterator&) = delete;
    ~ListIterator() override;

    void Reset(const vec3<float>&) override { mNext = 0; }
    Objects::ISpatialNode* Next() override { return mNext < mNodes.Count() ? mNodes[mNext++] : nullptr; }

private:
    const SpatialNodeList& mNodes;
    std::shared_ptr<int> mOpen;
    int mNext = 0;
};

// A render node with a fixed world box.
class SimpleRenderNode : public ARenderNode {
public:
    SimpleRenderNode(const Objects::Box3& box, Objects::UString* type) : mType(type) { mBox = box; }

    Objects::UString* TypeID() const override { return mType; }

    Objects::UString* mType;
};

// A cell that holds child cells and render nodes in the order they were added; its iterators yield them so.
class SimpleCell : public ISpatialCell {
public:
    SimpleCell(SimpleCell* parent, const Objects::Box3& box, std::shared_ptr<int> openIterators)
        : mParent(parent), mBox(box), mOpenIterators(std::move(openIterators)) {}

    void Add(SimpleCell* cell);
    void Add(SimpleRenderNode* node);

    Objects::Box3 WorldBox() const override { return mBox; }
    // A fresh iterator over the cell's members, even when it has none; the caller releases it.
    Objects::IWorldIterator* ChildIterator() override { return new ListIterator(mMembers, mOpenIterators); }

    int MemberCount() const override { return mRenderNodes; }
    int TotalMemberCount() const override;
    int TotalInteriorCellCount() const override;
    int TotalLeafCellCount() const override;
    int ChildCount() const override { return mCells.Count(); }
    float GeometricProbability() const override;
    float TotalProbabilityCost() const override;
    bool IsLeaf() const override { return mCells.Count() == 0; }

private:
    SimpleCell* mParent;
    Objects::Box3 mBox;
    std::shared_ptr<int> mOpenIterators;
    SpatialNodeList mMembers;
    Objects::_ArrayList<SimpleCell*, Objects::NoLifetime<SimpleCell*>> mCells;
    int mRenderNodes = 0;
};

class WorldBuilder {
public:
    WorldBuilder();
    WorldBuilder(const WorldBuilder&) = delete;
    WorldBuilder& operator=(const WorldBuilder&) = delete;
    ~WorldBuilder();

    // A cell inside `parent`, or at the top level when `parent` is null.
    SimpleCell* AddCell(SimpleCell* parent, const Objects::Box3& box);
    // A render node inside `parent`, or at the top level when `parent` is null, with its own world matrix.
    SimpleRenderNode* AddRenderNode(SimpleCell* parent, const Objects::Box3& box, uint32_t flags = 0);

    // A square world `size` wide at the top level: a cell split into four quadrant cells, `depth` levels of
    // cells in all, each leaf holding `nodesPerLeaf` render nodes of varied sizes and flags.
    SimpleCell* AddGrid(int depth, int nodesPerLeaf, double size = 100);

    // A fresh iterator over the top level; the caller releases it.
    Objects::IWorldIterator* TopLevelIterator() { return new ListIterator(mTopLevel, mOpenIterators); }

    // Iterators handed out and not yet released.
    int OpenIterators() const { return *mOpenIterators; }
    const std::vector<SimpleRenderNode*>& RenderNodes() const { return mRenderNodes; }
    // Clip planes given to every fourth render node of a grid.
    Objects::XPlaneSet<float>* SharedClippingPlanes() const { return mClippingPlanes.get(); }

private:
    void FillGridCell(SimpleCell* cell, const Objects::Box3& box, int depth, int nodesPerLeaf);

    std::shared_ptr<int> mOpenIterators;
    SpatialNodeList mTopLevel;
    std::vector<std::unique_ptr<Objects::ISpatialNode>> mNodes;
    std::vector<std::unique_ptr<Objects::SharedMatrix>> mMatrices;
    std::unique_ptr<Objects::XPlaneSet<float>> mClippingPlanes;
    std::vector<SimpleRenderNode*> mRenderNodes;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
