#include "engine/graphics/Worlds.h"

namespace Tarn::Graphics {

Objects::IWorldIterator* BSPCell::ChildIterator() {
    auto* iterator = new BSPCellIterator;
    if (mFront) iterator->Add(mFront);
    if (mBack) iterator->Add(mBack);
    for (ARenderNode* node : mNodes) iterator->Add(node);
    return iterator;
}

int BSPCell::TotalMemberCount() const {
    int total = MemberCount();
    for (const ISpatialCell* child : {mFront, mBack})
        if (child) total += child->TotalMemberCount();
    return total;
}

int BSPCell::TotalInteriorCellCount() const {
    int total = IsLeaf() ? 0 : 1;
    for (const ISpatialCell* child : {mFront, mBack})
        if (child) total += child->TotalInteriorCellCount();
    return total;
}

int BSPCell::TotalLeafCellCount() const {
    int total = IsLeaf() ? 1 : 0;
    for (const ISpatialCell* child : {mFront, mBack})
        if (child) total += child->TotalLeafCellCount();
    return total;
}

// The members a query of this subtree is expected to test, weighted by the chance that it gets here.
float BSPCell::TotalProbabilityCost() const {
    float below = static_cast<float>(MemberCount());
    for (const ISpatialCell* child : {mFront, mBack})
        if (child) below += child->TotalProbabilityCost();
    return GeometricProbability() * below;
}

Objects::IWorldIterator* ConsolidatedWorld::TopLevelIterator() {
    auto* iterator = new BSPCellIterator;
    for (BSPCell* cell : mCells)
        if (cell) iterator->Add(cell);
    return iterator;
}

Objects::IWorldIterator* LODConsolidatedWorld::TopLevelIterator() {
    auto* iterator = new BSPCellIterator;
    if (mCell) iterator->Add(mCell);
    if (mLODCell) iterator->Add(mLODCell);
    return iterator;
}

} // namespace Tarn::Graphics
