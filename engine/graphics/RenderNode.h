// Render nodes, the drawable entities of the world, and the attribute lists they carry.
#pragma once

#include "engine/devices/Devices.h"
#include "engine/objects/Attachable.h"
#include "engine/objects/Interfaces.h"
#include "engine/objects/Primitives.h"
#include "engine/objects/Strings.h"

#include <cstdint>

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

// ---- Attribute lists: one layout, three roles. The flags say what the items member holds:
//   0x10 set        an array of AttributeStyleList*
//   else by 0x6:    0  the items member is itself one ARefCounted* (when the count is above 0)
//                   2, 4  an array of ARefCounted*
//                   6  an array of _ArrayList<ARefCounted*, RefCountedLifetime<ARefCounted*>>*
enum AttributeFlags : uint16_t {
    kAttributeSingle = 0x0,
    kAttributeArray = 0x2,
    kAttributeSharedArray = 0x4,
    kAttributeListArray = 0x6,
    kAttributeStyles = 0x10,
};

class AttributeCache {
public:
    void* mItems = nullptr;
    int32_t mCount = 0;
    int32_t mCapacity = 0;
    uint16_t mFlags = kAttributeSingle;
};

class AttributeStyleList {
public:
    void* mItems = nullptr;
    int32_t mCount = 0;
    int32_t mCapacity = 0;
    uint16_t mFlags = kAttributeSingle;
};

class AttributeLODList {
public:
    void* mItems = nullptr;
    int32_t mCount = 0;
    int32_t mCapacity = 0;
    uint16_t mFlags = kAttributeSingle;
};

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
    Objects::Box3 WorldBox() const override { return mBox; }

    // The name of the node's concrete kind.
    virtual Objects::UString* TypeID() const;
    virtual Objects::SharedMatrix* WorldMatrix() const { return mWorldMatrix; }
    virtual Objects::XPlaneSet<float>* ClippingPlanes() const { return mClippingPlanes; }
    virtual Devices::EffectInstance* Effect() const { return mEffect; }
    virtual Objects::APrimitive* Primitive() const { return mPrimitive; }
    AttributeCache* Attributes() const { return mAttributes; }

    uint32_t mFlags = 0;
    Objects::Box3 mBox;
    AttributeCache* mAttributes = nullptr;
    Objects::ALocale* mLocale = nullptr;
    Objects::SharedMatrix* mWorldMatrix = nullptr;        // not owned
    Objects::XPlaneSet<float>* mClippingPlanes = nullptr;  // not owned
    Devices::EffectInstance* mEffect = nullptr;
    Objects::APrimitive* mPrimitive = nullptr;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
