#include "engine/graphics/WorldBuilder.h"

#include <cmath>

namespace Tarn::Graphics {

using Objects::Box3;

ListIterator::ListIterator(const SpatialNodeList& nodes, std::shared_ptr<int> open)
    : mNodes(nodes), mOpen(std::move(open)) {
    if (mOpen) ++*mOpen;
}

ListIterator::~ListIterator() {
    if (mOpen) --*mOpen;
}

// ---- SimpleCell

void SimpleCell::Add(SimpleCell* cell) {
    mMembers.Add(cell);
    mCells.Add(cell);
}

void SimpleCell::Add(SimpleRenderNode* node) {
    mMembers.Add(node);
    ++mRenderNodes;
}

int SimpleCell::TotalMemberCount() const {
    int total = mRenderNodes;
    for (const SimpleCell* cell : mCells) total += cell->TotalMemberCount();
    return total;
}

int SimpleCell::TotalInteriorCellCount() const {
    int total = IsLeaf() ? 0 : 1;
    for (const SimpleCell* cell : mCells) total += cell->TotalInteriorCellCount();
    return total;
}

int SimpleCell::TotalLeafCellCount() const {
    int total = IsLeaf() ? 1 : 0;
    for (const SimpleCell* cell : mCells) total += cell->TotalLeafCellCount();
    return total;
}

namespace {

double Volume(const Box3& box) {
    double volume = 1;
    for (int axis = 0; axis < 3; ++axis) volume *= box.mMax[axis] - box.mMin[axis];
    return volume;
}

} // namespace

// The share of the parent's volume: the chance that a uniformly placed query that reaches the parent hits it.
float SimpleCell::GeometricProbability() const {
    const double whole = mParent ? Volume(mParent->mBox) : 0;
    return whole > 0 ? static_cast<float>(Volume(mBox) / whole) : 1.0f;
}

float SimpleCell::TotalProbabilityCost() const {
    float below = static_cast<float>(mRenderNodes);
    for (const SimpleCell* cell : mCells) below += cell->TotalProbabilityCost();
    return GeometricProbability() * below;
}

// ---- WorldBuilder

WorldBuilder::WorldBuilder()
    : mOpenIterators(std::make_shared<int>(0)), mClippingPlanes(std::make_unique<Objects::XPlaneSet<float>>(6)) {}

WorldBuilder::~WorldBuilder() = default;

SimpleCell* WorldBuilder::AddCell(SimpleCell* parent, const Box3& box) {
    auto* cell = new SimpleCell(parent, box, mOpenIterators);
    mNodes.emplace_back(cell);
    if (parent) parent->Add(cell);
    else mTopLevel.Add(cell);
    return cell;
}

SimpleRenderNode* WorldBuilder::AddRenderNode(SimpleCell* parent, const Box3& box, uint32_t flags) {
    static Objects::UString* const type = Objects::Intern(L"SimpleRenderNode");
    auto* node = new SimpleRenderNode(box, type);
    mNodes.emplace_back(node);
    node->mFlags = flags;

    // The box is already in world space; the matrix only carries the node's position.
    auto* matrix = new Objects::SharedMatrix;
    mMatrices.emplace_back(matrix);
    for (int i = 0; i < 4; ++i) matrix->mMatrix.m[i][i] = 1;
    for (int axis = 0; axis < 3; ++axis) matrix->mMatrix.m[3][axis] = (box.mMin[axis] + box.mMax[axis]) / 2;
    node->mWorldMatrix = matrix;

    if (parent) parent->Add(node);
    else mTopLevel.Add(node);
    mRenderNodes.push_back(node);
    return node;
}

SimpleCell* WorldBuilder::AddGrid(int depth, int nodesPerLeaf, double size) {
    const Box3 box{{0, 0, 0}, {size, size, size / 10}};
    SimpleCell* top = AddCell(nullptr, box);
    FillGridCell(top, box, depth, nodesPerLeaf);
    return top;
}

void WorldBuilder::FillGridCell(SimpleCell* cell, const Box3& box, int depth, int nodesPerLeaf) {
    const double midX = (box.mMin[0] + box.mMax[0]) / 2, midY = (box.mMin[1] + box.mMax[1]) / 2;
    if (depth > 1) {
        for (int quadrant = 0; quadrant < 4; ++quadrant) {
            Box3 part = box;
            (quadrant & 1 ? part.mMin : part.mMax)[0] = midX;
            (quadrant & 2 ? part.mMin : part.mMax)[1] = midY;
            FillGridCell(AddCell(cell, part), part, depth - 1, nodesPerLeaf);
        }
        return;
    }

    // Nodes sit in the slots of a square raster over the leaf, inset by a varying margin.
    const int perRow = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(nodesPerLeaf))));
    const double slotX = (box.mMax[0] - box.mMin[0]) / perRow, slotY = (box.mMax[1] - box.mMin[1]) / perRow;
    const double height = box.mMax[2] - box.mMin[2];
    for (int i = 0; i < nodesPerLeaf; ++i) {
        const int serial = static_cast<int>(mRenderNodes.size());
        const double inset = 0.08 + 0.07 * (serial % 4);
        Box3 part;
        part.mMin[0] = box.mMin[0] + slotX * (i % perRow + inset);
        part.mMax[0] = box.mMin[0] + slotX * (i % perRow + 1 - inset);
        part.mMin[1] = box.mMin[1] + slotY * (i / perRow + inset);
        part.mMax[1] = box.mMin[1] + slotY * (i / perRow + 1 - inset);
        part.mMin[2] = box.mMin[2];
        part.mMax[2] = box.mMin[2] + height * (0.25 + 0.25 * (serial % 3));
        uint32_t flags = 0;
        if (serial % 3 == 2) flags |= ARenderNode::kHidden;
        if (serial % 5 == 4) flags |= ARenderNode::kNotConsolidated;
        SimpleRenderNode* node = AddRenderNode(cell, part, flags);
        if (serial % 4 == 3) node->mClippingPlanes = mClippingPlanes.get();
    }
}

} // namespace Tarn::Graphics
