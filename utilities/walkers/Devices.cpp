// The walkers of the device layer (Tarn::Devices) that the library exports. How each is walked is in
// DeviceWalks.h; their registrations are in Registrations.cpp.
#include "utilities/walkers/Walks.h"

namespace Tarn::Utilities {

// ---- Buffers

template class WalkObjectImpl<IBuffer>;
template class WalkObjectImpl<AIndexBuffer>;
template class WalkObjectImpl<IndexBufferDx9>;
template class WalkObjectImpl<IndexBufferDx10>;
template class WalkObjectImpl<IndexBufferGL>;
template class WalkObjectImpl<AVertexBuffer>;
template class WalkObjectImpl<VertexBufferDx9>;
template class WalkObjectImpl<VertexBufferDx10>;
template class WalkObjectImpl<VertexBufferGL>;
template class WalkObjectImpl<VertexBufferSet>;

// ---- Targets, swap chains, textures, atlases

template class WalkObjectImpl<ATarget>;
template class WalkObjectImpl<ASwapChain>;
template class WalkObjectImpl<TargetDx9>;
template class WalkObjectImpl<TargetDx10>;
template class WalkObjectImpl<TargetGL>;
template class WalkObjectImpl<SwapChainDx9>;
template class WalkObjectImpl<SwapChainDx10>;
template class WalkObjectImpl<SwapChainGL>;
template class WalkObjectImpl<ARenderTexture>;
template class WalkObjectImpl<ASimpleTexture>;
template class WalkObjectImpl<TextureDx9>;
template class WalkObjectImpl<TextureDx10>;
template class WalkObjectImpl<TextureGL>;
template class WalkObjectImpl<LODTexture>;
template class WalkObjectImpl<AAtlas>;

// ---- Shaders and their blobs

template class WalkObjectImpl<AShader>;
template class WalkObjectImpl<ShaderDx9>;
template class WalkObjectImpl<ShaderDx10>;
template class WalkObjectImpl<ID3D10Blob>;
template class WalkObjectImpl<ID3DXBuffer>;

// ---- Effects, their instances and data

template class WalkObjectImpl<EffectInstance>;
template class WalkObjectImpl<BasicMaterialEffectInstance>;
template class WalkObjectImpl<SolidEffectInstance>;
template class WalkObjectImpl<VertexColorEffectInstance>;
template class WalkObjectImpl<ARenderEffect>;
template class WalkObjectImpl<BasicMaterialEffect>;
template class WalkObjectImpl<SolidEffect>;
template class WalkObjectImpl<VertexColorEffect>;
template class WalkObjectImpl<AFXEffect>;
template class WalkObjectImpl<FXEffectDx9>;
template class WalkObjectImpl<FXEffectDx10>;
template class WalkObjectImpl<FXCgEffectGL>;
template class WalkObjectImpl<OverrideDeviceState>;
template class WalkObjectImpl<OverrideDeviceState::StateBundle<ARasterizerState>>;
template class WalkObjectImpl<OverrideDeviceState::StateBundle<ADepthStencilState>>;
template class WalkObjectImpl<OverrideDeviceState::StateBundle<ABlendState>>;
template class WalkObjectImpl<NestedEffectData>;
template class WalkObjectImpl<CBEffectData>;
template class WalkObjectImpl<TextureInstance>;

// ---- Parameters and constant buffers

template class WalkObjectImpl<AParameterSet>;
template class WalkObjectImpl<AParameter>;
template class WalkObjectImpl<AFragmentParameter>;
template class WalkObjectImpl<InParameter>;
template class WalkObjectImpl<OutParameter>;
template class WalkObjectImpl<AliasParameter>;
template class WalkObjectImpl<AParamDesc>;
template class WalkObjectImpl<AConstantBuffer>;
template class WalkObjectImpl<CBInstance>;

// ---- Meshes, geometry, render items

template class WalkObjectImpl<MeshSupplement>;
template class WalkObjectImpl<MeshBinding>;
template class WalkObjectImpl<MeshBoundVertex>;
template class WalkObjectImpl<SimpleMesh>;
template class WalkObjectImpl<GeomInstance>;
template class WalkObjectImpl<MultiMesh>;
template class WalkObjectImpl<SSubGeom>;
template class WalkObjectImpl<ASplitMesh>;
template class WalkObjectImpl<LODMesh>;
template class WalkObjectImpl<ASymbolSet>;
template class WalkObjectImpl<RenderItem>;

// ---- Lights and sample points

template class WalkObjectImpl<BasicLightProperties>;
template class WalkObjectImpl<SamplePointSet<vec3<float>>>;

// ---- The attachable part only

template class WalkObjectImpl<IDeviceResource>;
template class WalkObjectImpl<ICacheableResource>;
template class WalkObjectImpl<IRenderGeom>;
template class WalkObjectImpl<IConsolidateableGeom>;
template class WalkObjectImpl<IBaseShader>;
template class WalkObjectImpl<IBaseRaster>;
template class WalkObjectImpl<IRenderEffect>;
template class WalkObjectImpl<IDeviceState>;
template class WalkObjectImpl<IRenderState>;
template class WalkObjectImpl<ADeviceQuery>;
template class WalkObjectImpl<QueryDx9>;
template class WalkObjectImpl<QueryDx10>;
template class WalkObjectImpl<QueryGL>;
template class WalkObjectImpl<ABlendState>;
template class WalkObjectImpl<ADepthStencilState>;
template class WalkObjectImpl<ARasterizerState>;
template class WalkObjectImpl<ASamplerState>;
template class WalkObjectImpl<ACreationParameters>;
template class WalkObjectImpl<ARenderCamera>;
template class WalkObjectImpl<AVertexFormat>;
template class WalkObjectImpl<Devices::VertexFormat>;

// ---- Nothing of their own: Walk books sizeof(T)

template class WalkObjectImpl<ICacheable>;
template class WalkObjectImpl<ITextures>;
template class WalkObjectImpl<IRenderItem>;
template class WalkObjectImpl<IRenderCamera>;
template class WalkObjectImpl<IEffectData>;
template class WalkObjectImpl<IParameterActivationTarget>;
template class WalkObjectImpl<ParameterValues>;
template class WalkObjectImpl<ATextureDesc>;
template class WalkObjectImpl<ASymbol>;
template class WalkObjectImpl<AShaderBlob>;
template class WalkObjectImpl<StateSetter>;
template class WalkObjectImpl<ExtendedStateSetter>;
template class WalkObjectImpl<ASamplePointSelector<vec3<float>>>;
template class WalkObjectImpl<ASamplePointModifier<vec3<float>>>;

} // namespace Tarn::Utilities
