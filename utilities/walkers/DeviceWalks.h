// How the device layer (Tarn::Devices) is walked.
//
// Besides objects, device walkers book memory that the engine holds outside them: the client copy of a buffer
// (under "unsigned char*"), the objects of the graphics APIs (under the API's type, or one of the four names
// "Dx10 IndexBuffer", "Dx10 VertexBuffer", "OGL IndexBuffer", "OGL VertexBuffer"), and tables allocated in one
// piece with an object, which grow the object's own size. Sizes and counts the engine answers as signed 32-bit
// numbers are widened when they are not negative; a negative one counts as 0 (NonNegative).
#pragma once

#include "engine/devices/Devices.h"
#include "utilities/walk/WalkerDefinitions.h"
#include "utilities/walkers/ContainerWalks.h"
#include "utilities/walkers/ObjectWalks.h"

#include <cstdint>

namespace Tarn::Utilities {

using namespace Tarn::Devices;

// The bytes the API holds for a resource.
inline size_t DeviceBytes(const IDeviceResource& resource) { return NonNegative(resource.SizeQuery(0)); }

// An object of the graphics API that a resource holds, booked under the API's type with the resource's size.
template <class Handle> void ApiObject(Walking& walk, const IDeviceResource& resource, Handle* handle) {
    walk.BlockAs<Handle>(handle, DeviceBytes(resource));
}

// ---- Walks that are exactly a base's: the attachable part only, or the walk of the class above

using DeviceBaseWalks = BaseWalkTable<
    WalkedAs<AAttachable, IDeviceResource, ICacheableResource, IRenderGeom, IConsolidateableGeom, IBaseShader,
             IBaseRaster, IRenderEffect, IDeviceState, IRenderState, ADeviceQuery, QueryDx9, QueryDx10, QueryGL,
             ABlendState, ADepthStencilState, ARasterizerState, ASamplerState, ACreationParameters, ARenderCamera,
             AVertexFormat, Devices::VertexFormat>,
    WalkedAs<IBuffer, AIndexBuffer>,
    WalkedAs<ATarget, ASwapChain>,
    WalkedAs<EffectInstance, BasicMaterialEffectInstance, SolidEffectInstance, VertexColorEffectInstance>,
    WalkedAs<ARenderEffect, BasicMaterialEffect, SolidEffect, VertexColorEffect>,
    WalkedAs<AFXEffect, FXEffectDx9, FXEffectDx10, FXCgEffectGL>,
    WalkedAs<AShader, ShaderDx9>,
    WalkedAs<AParameter, AFragmentParameter>>;

template <class T> std::enable_if_t<DeviceBaseWalks::Lists<T>> WalkMembers(T& object, Walking& walk) {
    walk.Base<DeviceBaseWalks::Of<T>>(object);
}

// ---- Buffers: the client copy, then the API's buffer with the buffer's own byte size

inline void WalkMembers(IBuffer& buffer, Walking& walk) {
    walk.Base<AAttachable>(buffer);
    unsigned char* copy = buffer.Storage() == IBuffer::kClient ? buffer.ClientData() : buffer.StagingData(0);
    walk.Block(copy, NonNegative(buffer.SizeQuery(1)));
}

inline void WalkMembers(IndexBufferDx9& buffer, Walking& walk) {
    walk.Base<IBuffer>(buffer);
    walk.BlockAs<IDirect3DIndexBuffer9>(buffer.mHandle, NonNegative(buffer.mByteSize));
}
inline void WalkMembers(IndexBufferDx10& buffer, Walking& walk) {
    walk.Base<IBuffer>(buffer);
    for (void* handle : buffer.mHandles) walk.Block(handle, "Dx10 IndexBuffer", NonNegative(buffer.mByteSize));
}
inline void WalkMembers(IndexBufferGL& buffer, Walking& walk) {
    walk.Base<IBuffer>(buffer);
    walk.Block(buffer.mHandle, "OGL IndexBuffer", NonNegative(buffer.mByteSize));
}

inline void WalkMembers(AVertexBuffer& buffer, Walking& walk) {
    walk.Base<IBuffer>(buffer);
    walk.Pointer(buffer.VertexFormat());
}

// Asked afresh for every record.
inline size_t VertexBytes(const AVertexBuffer& buffer) { return 4 * NonNegative(buffer.DwordCount(0)); }

inline void WalkMembers(VertexBufferDx9& buffer, Walking& walk) {
    walk.Base<AVertexBuffer>(buffer);
    walk.BlockAs<IDirect3DVertexBuffer9>(buffer.mHandle, VertexBytes(buffer));
}
inline void WalkMembers(VertexBufferDx10& buffer, Walking& walk) {
    walk.Base<AVertexBuffer>(buffer);
    for (void* handle : buffer.mHandles) walk.Block(handle, "Dx10 VertexBuffer", VertexBytes(buffer));
}
inline void WalkMembers(VertexBufferGL& buffer, Walking& walk) {
    walk.Base<AVertexBuffer>(buffer);
    walk.Block(buffer.mHandle, "OGL VertexBuffer", VertexBytes(buffer));
}

// The stream names are interned: only their array is the set's.
inline void WalkMembers(VertexBufferSet& set, Walking& walk) {
    walk.Base<AVertexBuffer>(set);
    walk.Embedded(set.mStreams);
    walk.Block(set.mStreamNames.mData, NonNegative(set.mStreamNames.Capacity()) * sizeof(UString*));
}

// ---- Targets, swap chains, textures

inline void WalkMembers(ATarget& target, Walking& walk) {
    walk.Base<AAttachable>(target);
    walk.Pointer(target.Atlas());
}

inline void WalkMembers(TargetDx9& target, Walking& walk) {
    walk.Base<ATarget>(target);
    if (target.mIsSurface) walk.BlockAs<IDirect3DSurface9>(target.mHandle, DeviceBytes(target));
    else walk.BlockAs<IDirect3DTexture9>(target.mHandle, DeviceBytes(target));
}
// One handle, booked under the API type it is held as.
using TargetsOfOneHandle = TypeFamily<TargetDx10, TargetGL>;
template <class T> std::enable_if_t<TargetsOfOneHandle::Has<T>> WalkMembers(T& target, Walking& walk) {
    walk.Base<ATarget>(target);
    ApiObject(walk, target, target.mHandle);
}

using SwapChains = TypeFamily<SwapChainDx9, SwapChainDx10, SwapChainGL>;
template <class C> std::enable_if_t<SwapChains::Has<C>> WalkMembers(C& chain, Walking& walk) {
    walk.Base<ATarget>(chain);
    walk.Pointer(chain.mCreation);
    ApiObject(walk, chain, chain.mHandle);
}

inline void WalkMembers(ARenderTexture& texture, Walking& walk) {
    walk.Base<AAttachable>(texture);
    walk.Pointer(texture.mDesc);
    walk.Pointer(texture.mAtlas);
}
inline void WalkMembers(ASimpleTexture& texture, Walking& walk) {
    walk.Base<ARenderTexture>(texture);
    walk.Pointer(texture.mLODTexture);
}
using TexturesOfOneHandle = TypeFamily<TextureDx9, TextureGL>;
template <class T> std::enable_if_t<TexturesOfOneHandle::Has<T>> WalkMembers(T& texture, Walking& walk) {
    walk.Base<ASimpleTexture>(texture);
    ApiObject(walk, texture, texture.mHandle);
}
inline void WalkMembers(TextureDx10& texture, Walking& walk) {
    walk.Base<ASimpleTexture>(texture);
    ApiObject(walk, texture, texture.mTexture1D);
    ApiObject(walk, texture, texture.mTexture2D);
    ApiObject(walk, texture, texture.mTexture3D);
}

inline void WalkMembers(LODTexture& texture, Walking& walk) {
    walk.Base<ARenderTexture>(texture);
    for (int level = LODTexture::kLevels - 1; level >= 0; --level) walk.Pointer(texture.mLevels[level]);
    walk.Pointer(texture.mLevelDesc);
    walk.Embedded(texture.mPath);
}

// Entries of 80 bytes each live in the atlas's own allocation.
inline void WalkMembers(AAtlas& atlas, Walking& walk) {
    walk.Grow(80 * NonNegative(atlas.EntryCount()));
    walk.Base<AAttachable>(atlas);
    walk.Pointer(atlas.mRaster);
}

// ---- Shader blobs: the size is asked first, then the bytes

inline void WalkMembers(ID3D10Blob& blob, Walking& walk) {
    const size_t bytes = blob.GetBufferSize();
    walk.Block(blob.GetBufferPointer(), bytes);
}
inline void WalkMembers(ID3DXBuffer& buffer, Walking& walk) {
    const size_t bytes = buffer.GetBufferSize();  // 32 bits, widened without sign
    walk.Block(buffer.GetBufferPointer(), bytes);
}

// ---- Shaders

inline void WalkMembers(AShader& shader, Walking& walk) {
    walk.Base<AAttachable>(shader);
    for (KStringA* source : shader.mSources) walk.Pointer(source);
    walk.Pointer(shader.mConstantBuffers);
    walk.Pointer(shader.mParameters);
}

inline void WalkMembers(ShaderDx10& shader, Walking& walk) {
    walk.Base<AShader>(shader);
    walk.Pointer(shader.mEntryPoint);
    walk.Pointer(shader.mInputLayout);
    for (ID3D10Blob* blob : shader.mBlobs) walk.Pointer(blob);
    for (AShaderBlob* blob : shader.mShaderBlobs) walk.Pointer(blob);
}

// ---- Effects and their instances

inline void WalkMembers(EffectInstance& instance, Walking& walk) {
    walk.Pointer(instance.mEffect);
    if (instance.mEffect)
        IWalkObject::WalkParameterValues(instance.mValues, instance.mEffect->ParameterSet(), walk.Recorder());
    walk.Pointer(instance.mData);
    walk.Pointer(instance.OverrideState());
}

// The pass table, 4 bytes a pass, lives in the effect's own allocation.
inline void WalkMembers(ARenderEffect& effect, Walking& walk) {
    walk.Base<AAttachable>(effect);
    for (AParameterSet* set : effect.mParameterSets) walk.Pointer(set);
    walk.Pointer(effect.mDefaultInstance);
    walk.Grow(4 * NonNegative(effect.PassCount()));
}

// One input layout per technique: the technique list's count is the layout array's count and capacity.
inline void WalkMembers(AFXEffect& effect, Walking& walk) {
    walk.Base<ARenderEffect>(effect);
    AFXEffect::NameList* techniques = effect.TechniqueNames();
    if (!techniques) return;
    const size_t count = NonNegative(techniques->Count());
    walk.Grow(8 * count);
    walk.Embedded(*techniques);
    walk.Block(effect.mLayouts, 8 * count);
    if (effect.mLayouts)
        for (size_t i = count; i-- > 0;) walk.Pointer(effect.mLayouts[i]);
}

inline void WalkMembers(OverrideDeviceState& state, Walking& walk) {
    walk.Embedded(state.mRasterizer);
    walk.Embedded(state.mDepthStencil);
    walk.Embedded(state.mBlend);
}

template <class S> void WalkMembers(OverrideDeviceState::StateBundle<S>& bundle, Walking& walk) {
    for (S* state : bundle.mStates) walk.Pointer(state);
}

inline void WalkMembers(NestedEffectData& data, Walking& walk) { walk.Pointer(&data.Instance()); }

inline void WalkMembers(CBEffectData& data, Walking& walk) {
    walk.Pointer(data.mBuffers);
    walk.Embedded(data.mParameters);
}

inline void WalkMembers(TextureInstance& instance, Walking& walk) {
    walk.Pointer(instance.mRaster);
    walk.Pointer(instance.mSampler);
}

// ---- Parameters

inline void WalkMembers(AParameterSet& set, Walking& walk) {
    walk.Base<AAttachable>(set);
    walk.Embedded(set.mParameters);
}

// Its value, then the descriptor's value block of the same type and count.
inline void WalkMembers(AParameter& parameter, Walking& walk) {
    walk.Base<AAttachable>(parameter);
    IWalkObject::RecordValue(parameter.Value(), parameter.Type(), parameter.ArraySize(), walk.Recorder());
    AParamDesc* desc = parameter.Descriptor();
    if (desc) IWalkObject::RecordValue(desc->DescValue(), parameter.Type(), parameter.ArraySize(), walk.Recorder());
    walk.Pointer(desc);
    walk.Pointer(parameter.TextureDesc());
}

inline void WalkMembers(AParamDesc& desc, Walking& walk) {
    walk.Base<AAttachable>(desc);
    if (const KString* name = static_cast<IUIName&>(desc).UIName()) walk.Embedded(*name);
}

inline void WalkMembers(InParameter& parameter, Walking& walk) {
    walk.Base<AParameter>(parameter);
    walk.Pointer(parameter.mSource);
}
inline void WalkMembers(OutParameter& parameter, Walking& walk) {
    walk.Base<AParameter>(parameter);
    walk.Embedded(parameter.mTargets);
}
inline void WalkMembers(AliasParameter& parameter, Walking& walk) {
    walk.Base<AParameter>(parameter);
    walk.Pointer(parameter.mAliased);
}

// ---- Constant buffers

inline void WalkMembers(AConstantBuffer& buffer, Walking& walk) {
    walk.Base<AAttachable>(buffer);
    walk.Pointer(buffer.Parameters());
    walk.Block(buffer.Data(), DeviceBytes(buffer));
}

inline void WalkMembers(CBInstance& instance, Walking& walk) { walk.Pointer(instance.mTarget); }

// ---- Meshes and geometry

// 32-bit entries, as many as the second field says, in the binding's own allocation.
using InlineTables = TypeFamily<MeshBinding, MeshBoundVertex>;
template <class B> std::enable_if_t<InlineTables::Has<B>> WalkMembers(B& binding, Walking& walk) {
    walk.Grow(4 * NonNegative(binding.mCount));
}

// Positions, normals, colours, then the sixteen texture-coordinate channels.
inline void WalkMembers(MeshSupplement& supplement, Walking& walk) {
    walk.Pointer(supplement.mBoundVertex);
    walk.Pointer(supplement.mBinding);
    for (EVertexFieldUsage usage : {kUsagePosition, kUsageNormal, kUsageColor})
        walk.Pointer(supplement.VertexBinding(usage));
    for (int channel = 0; channel < MeshSupplement::kTexCoordChannels; ++channel)
        walk.Pointer(supplement.VertexBinding(TexCoordUsage(channel)));
}

inline void WalkMembers(SimpleMesh& mesh, Walking& walk) {
    walk.Base<AAttachable>(mesh);
    walk.Pointer(mesh.mVertexBuffer);
    walk.Pointer(mesh.mIndexBuffer);
    walk.Pointer(mesh.mSupplement);
}

inline void WalkMembers(GeomInstance& instance, Walking& walk) {
    walk.Base<AAttachable>(instance);
    walk.Pointer(instance.mMesh);
    walk.Pointer(instance.RequiredFields());
    walk.Pointer(instance.IndirectStreams());
    walk.Pointer(instance.VertexBuffer());
    walk.Pointer(instance.IndexBuffer());
}

inline void WalkMembers(MultiMesh& mesh, Walking& walk) {
    walk.Base<AAttachable>(mesh);
    walk.Pointer(mesh.mStreams);
    walk.Pointer(mesh.mMorphStreams);
    WalkList(mesh.mSubGeoms, walk);  // the list kind has no walker of its own
    walk.Embedded(mesh.mInstances);
    walk.Pointer(mesh.mSupplement);
}

inline void WalkMembers(SSubGeom& geometry, Walking& walk) { walk.Pointer(geometry.mIndexBuffer); }

inline void WalkMembers(ASplitMesh& mesh, Walking& walk) {
    walk.Base<AAttachable>(mesh);
    walk.Embedded(mesh.mParts);
}
inline void WalkMembers(LODMesh& mesh, Walking& walk) {
    walk.Base<AAttachable>(mesh);
    walk.Embedded(mesh.mLevels);
}

inline void WalkMembers(ASymbolSet& symbols, Walking& walk) {
    walk.Base<AAttachable>(symbols);
    walk.Embedded(symbols.mSymbols);
    walk.Pointer(symbols.mMesh);
    walk.Pointer(symbols.mTexture);
}

inline void WalkMembers(RenderItem& item, Walking& walk) {
    walk.Pointer(item.Matrix());
    walk.Pointer(item.Geometry());
    walk.Pointer(item.Effect());
    walk.Pointer(item.ClipPlanes());
    walk.Pointer(item.Consolidation());
}

// ---- Lights and sample points

inline void WalkMembers(BasicLightProperties& light, Walking& walk) { walk.Pointer(light.ShadowMap()); }

template <class P> void WalkMembers(SamplePointSet<P>& set, Walking& walk) {
    walk.Pointer(set.mGenerator);
    walk.Pointer(set.Distribution());
    walk.Pointer(set.Boundary());
    walk.Pointer(set.Filter());
    walk.Pointer(set.Transfrom());
    walk.Embedded(set.mPoints);
}

} // namespace Tarn::Utilities
