// Render nodes: the drawable entities of the world.
#pragma once

#include "engine/objects/Attachable.h"
#include "engine/objects/Interfaces.h"
#include "engine/objects/Primitives.h"
#include "engine/objects/Strings.h"

#include <cstdint>

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

// Its first base is the spatial node, so the attachable part sits at offset 0 and the render node, its spatial
// node and its attachable are one address.
class ARenderNode : public Objects::ISpatialNode, public Objects::ARefCounted {
public:
    // State bits of mFlags.
    enum : uint32_t {
        kHidden = 1u << 0,           // culled from drawing
        kNotConsolidated = 1u << 4,  // drawn on its own, outside the consolidated batches
    };

    // The id that QueryInterface answers with the render node.
    static Objects::UString* InterfaceID();

    void* QueryInterface(const Objects::UString* id) override {
        return id == InterfaceID() ? this : ISpatialNode::QueryInterface(id);
    }

    // The name of the node's concrete kind.
    virtual Objects::UString* TypeID() const;
    virtual Objects::SharedMatrix* WorldMatrix() const { return nullptr; }
    virtual Objects::XPlaneSet<float>* ClippingPlanes() const { return nullptr; }

    uint32_t mFlags = 0;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
