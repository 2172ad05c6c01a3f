// The spatial index's cells, seen through the common spatial-node interface.
#pragma once

#include "engine/objects/Attachable.h"
#include "engine/objects/Strings.h"

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

// A cell of the spatial index. Its attachable part sits at offset 0, so a cell, its spatial node and its
// attachable are one address. The statistics describe the cell and the subtree below it.
class ISpatialCell : public Objects::ISpatialNode {
public:
    // The id that QueryInterface answers with the cell.
    static Objects::UString* InterfaceID();

    void* QueryInterface(const Objects::UString* id) override {
        return id == InterfaceID() ? this : ISpatialNode::QueryInterface(id);
    }
    bool IsCell() const override { return true; }

    virtual int MemberCount() const { return 0; }             // render nodes held by this cell
    virtual int TotalMemberCount() const { return 0; }        // render nodes held in the subtree
    virtual int TotalInteriorCellCount() const { return 0; }  // cells with child cells, this one included
    virtual int TotalLeafCellCount() const { return 0; }      // cells without child cells, this one included
    virtual int ChildCount() const { return 0; }              // child cells
    virtual float GeometricProbability() const { return 0; }  // chance that a query reaching the parent hits it
    virtual float TotalProbabilityCost() const { return 0; }  // expected members tested by a query of the subtree
    virtual bool IsLeaf() const { return true; }
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
