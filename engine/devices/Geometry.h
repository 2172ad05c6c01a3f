// Geometry: meshes, their bindings and sub-geometries, geometry instances, render items, cameras, lights and
// sample-point sets.
#pragma once

#include "engine/devices/Effects.h"
#include "engine/devices/Resources.h"

#include <cstdint>
#include <new>

#pragma GCC visibility push(default)

namespace Tarn::Graphics {
class ConsolidationItem;
}

namespace Tarn::Devices {

// ---- Mesh bindings: a header and its table of 32-bit entries in one allocation

// A vertex field's usage; the high byte carries the channel of a repeated field (texture coordinates).
enum EVertexFieldUsage : int32_t {
    kUsagePosition = 0,
    kUsageNormal = 3,
    kUsageTexCoord = 5,
    kUsageColor = 10,
};
constexpr EVertexFieldUsage TexCoordUsage(int channel) { return EVertexFieldUsage(kUsageTexCoord + 256 * channel); }

// Neither is polymorphic: the entry count is the second 32-bit field, the entries follow in the same allocation.
struct MeshBinding {
    int32_t mFlags = 0;
    int32_t mCount = 0;
};
struct MeshBoundVertex {
    int32_t mFlags = 0;
    int32_t mCount = 0;
};

// A binding with `count` 32-bit entries behind it, zero until set; released with DestroyTable.
template <class Table> Table* CreateTable(int count) {
    void* block = ::operator new(sizeof(Table) + sizeof(int32_t) * Objects::Entries(count));
    Table* table = new (block) Table;
    table->mCount = count;
    Objects::MakeTable<int32_t>(Objects::TablesOf(table), Objects::Entries(count));
    return table;
}
template <class Table> void DestroyTable(Table* table) { ::operator delete(table); }

// A mesh's vertex remapping and its bindings by field usage.
class MeshSupplement {
public:
    static constexpr int kTexCoordChannels = 16;
    virtual ~MeshSupplement() = default;

    virtual MeshBinding* VertexBinding(EVertexFieldUsage usage) const {
        switch (usage & 0xff) {
        case kUsagePosition: return mPosition;
        case kUsageNormal: return mNormal;
        case kUsageColor: return mColor;
        case kUsageTexCoord: return (usage >> 8) < kTexCoordChannels ? mTexCoords[usage >> 8] : nullptr;
        default: return nullptr;
        }
    }

    MeshBoundVertex* mBoundVertex = nullptr;
    MeshBinding* mBinding = nullptr;
    MeshBinding* mPosition = nullptr;
    MeshBinding* mNormal = nullptr;
    MeshBinding* mColor = nullptr;
    MeshBinding* mTexCoords[kTexCoordChannels] = {};
};

// ---- Geometry

class IRenderGeom : public Objects::AAttachable, public Objects::ARefCounted, public Objects::IUniqueName {};

// Geometry that consolidation can merge: it has one vertex buffer and one index buffer.
class IConsolidateableGeom : public IRenderGeom {
public:
    virtual AVertexBuffer* VertexBuffer() const { return nullptr; }
    virtual AIndexBuffer* IndexBuffer() const { return nullptr; }
};

class SimpleMesh : public IConsolidateableGeom, public Objects::IClone {
public:
    AVertexBuffer* VertexBuffer() const override { return mVertexBuffer; }
    AIndexBuffer* IndexBuffer() const override { return mIndexBuffer; }

    AVertexBuffer* mVertexBuffer = nullptr;
    AIndexBuffer* mIndexBuffer = nullptr;
    MeshSupplement* mSupplement = nullptr;
};

// A range of a multi-mesh drawn with its own indices; stored by value, 24 bytes.
struct SSubGeom {
    int32_t mFirstIndex = 0;
    int32_t mIndexCount = 0;
    AIndexBuffer* mIndexBuffer = nullptr;
    int32_t mBaseVertex = 0;
    int32_t mVertexCount = 0;
};

class MultiMesh;

// One placement of a multi-mesh, with the buffers it is drawn from.
class GeomInstance : public IConsolidateableGeom {
public:
    AVertexFormat* RequiredFields() const { return mRequiredFields; }
    VertexBufferSet* IndirectStreams() const { return mIndirectStreams; }
    AVertexBuffer* VertexBuffer() const override { return mVertexBuffer; }
    AIndexBuffer* IndexBuffer() const override { return mIndexBuffer; }

    MultiMesh* mMesh = nullptr;
    AVertexFormat* mRequiredFields = nullptr;
    VertexBufferSet* mIndirectStreams = nullptr;
    AVertexBuffer* mVertexBuffer = nullptr;
    AIndexBuffer* mIndexBuffer = nullptr;
};

class MultiMesh : public IDeviceResource {
public:
    VertexBufferSet* mStreams = nullptr;
    VertexBufferSet* mMorphStreams = nullptr;
    Objects::_ArrayList<SSubGeom, Objects::NoLifetime<SSubGeom>> mSubGeoms;
    Objects::_ArrayList<GeomInstance*, Objects::NoLifetime<GeomInstance*>> mInstances;
    MeshSupplement* mSupplement = nullptr;
};

class ASplitMesh : public IRenderGeom {
public:
    Objects::_ArrayList<IRenderGeom*, Objects::RefCountedLifetime<IRenderGeom*>> mParts;
};

// Its levels, finest first; the level count is fixed when the mesh is made.
class LODMesh : public IRenderGeom {
public:
    explicit LODMesh(int levels = 4) : mLevels(levels) {}
    Objects::_FixedList<IRenderGeom*, Objects::NoLifetime<IRenderGeom*>> mLevels;
};

class ASymbol : public Objects::IClone {
public:
    float mAnchor[2] = {};
    int mGlyph = 0;
};

class ASymbolSet : public IRenderGeom, public Objects::IClone {
public:
    Objects::_ArrayList<ASymbol, Objects::NoLifetime<ASymbol>> mSymbols;
    SimpleMesh* mMesh = nullptr;
    ARenderTexture* mTexture = nullptr;
};

// ---- Render items

class IRenderItem : public Objects::ARefCounted, public Objects::IClone {};

class RenderItem : public IRenderItem {
public:
    virtual Objects::SharedMatrix* Matrix() const { return mMatrix; }
    virtual IRenderGeom* Geometry() const { return mGeometry; }
    virtual EffectInstance* Effect() const { return mEffect; }
    virtual Objects::XPlaneSet<float>* ClipPlanes() const { return mClipPlanes; }
    virtual Graphics::ConsolidationItem* Consolidation() const { return mConsolidation; }

    Objects::SharedMatrix* mMatrix = nullptr;
    IRenderGeom* mGeometry = nullptr;
    EffectInstance* mEffect = nullptr;
    Objects::XPlaneSet<float>* mClipPlanes = nullptr;
    Graphics::ConsolidationItem* mConsolidation = nullptr;
};

class ListOfRenderables : public Objects::_ArrayList<IRenderItem*, Objects::RefCountedLifetime<IRenderItem*>> {};

// ---- Cameras

class IRenderCamera : public Objects::ARefCounted, public Objects::IUniqueName {};
class ARenderCamera : public IRenderCamera, public Objects::AAttachable, public Objects::IClone {};

// ---- Lights and sample points

class BasicLightProperties : public Objects::IBaseInterface, public Objects::IDelete, public Objects::IClone {
public:
    TextureInstance* ShadowMap() const { return mShadowMap; }
    TextureInstance* mShadowMap = nullptr;
};

template <class P> struct SamplePoint {
    P mPosition;
    float mWeight = 1;
};

template <class P> class ASamplePointSelector : public Objects::ARefCounted, public Objects::IClone {};
template <class P> class ASamplePointModifier : public Objects::ARefCounted, public Objects::IClone {};

template <class P> class SamplePointSet : public Objects::ARefCounted, public Objects::IClone {
public:
    ASamplePointSelector<P>* Distribution() const { return mDistribution; }
    ASamplePointSelector<P>* Boundary() const { return mBoundary; }
    ASamplePointModifier<P>* Filter() const { return mFilter; }
    ASamplePointModifier<P>* Transfrom() const { return mTransform; }

    Objects::ASampleGenerator* mGenerator = nullptr;
    ASamplePointSelector<P>* mDistribution = nullptr;
    ASamplePointSelector<P>* mBoundary = nullptr;
    ASamplePointModifier<P>* mFilter = nullptr;
    ASamplePointModifier<P>* mTransform = nullptr;
    Objects::_ArrayList<SamplePoint<P>, Objects::NoLifetime<SamplePoint<P>>> mPoints;
};

class LightSet : public Objects::_ArrayList<int, Objects::NoLifetime<int>> {};

} // namespace Tarn::Devices

#pragma GCC visibility pop
