// Device resources: buffers, render targets, textures, swap chains, states, queries, vertex formats and shaders,
// for Direct3D 9, Direct3D 10 and OpenGL.
//
// Every resource answers a size query: SizeQuery(0) is the bytes the API holds for it, SizeQuery(1) the bytes of
// the engine's client-side copy. API handles are held as the API's own interface types where the engine knows
// one, as raw blocks where it does not.
#pragma once

#include "engine/devices/Interfaces.h"
#include "engine/objects/Objects.h"
#include "platform/Direct3D.h"

#pragma GCC visibility push(default)

namespace Tarn::Devices {

class AAtlas;
class AParameterSet;
class ConstantBufferSet;
class LODTexture;

// OpenGL objects behind the engine's wrappers: plain handles, named in reports.
struct IGLTexture {
    unsigned mName = 0;
};
struct GLFrameBuffer {
    unsigned mName = 0;
};

// ---- Resources

class ICacheableResource : public Objects::AAttachable,
                           public Objects::ARefCounted,
                           public Objects::IUniqueName,
                           public Objects::IDisposeResource,
                           public ICacheable {};

class IDeviceResource : public ICacheableResource {
public:
    virtual int SizeQuery(int which) const { return which == 1 ? mClientBytes : mDeviceBytes; }

    int mDeviceBytes = 0;
    int mClientBytes = 0;
};

// ---- Buffers

// A vertex or index buffer. Its client copy is either the engine's own block (storage kind 1) or a staging
// block that the API maps for it.
class IBuffer : public IDeviceResource, public Objects::IClone {
public:
    enum StorageKind { kStaging = 0, kClient = 1 };

    virtual int Storage() const { return mStorage; }
    virtual unsigned char* ClientData() const { return mClientData; }
    virtual unsigned char* StagingData(int offset) const { return mStagingData ? mStagingData + offset : nullptr; }

    int mStorage = kClient;
    unsigned char* mClientData = nullptr;
    unsigned char* mStagingData = nullptr;
};

class AIndexBuffer : public IBuffer {
public:
    int mByteSize = 0;  // of the API's index buffer
};

class IndexBufferDx9 : public AIndexBuffer {
public:
    IDirect3DIndexBuffer9* mHandle = nullptr;
};

class IndexBufferDx10 : public AIndexBuffer {
public:
    void* mHandles[2] = {};  // the buffer, then its staging copy
};

class IndexBufferGL : public AIndexBuffer {
public:
    void* mHandle = nullptr;
};

class AVertexFormat;

class AVertexBuffer : public IBuffer {
public:
    virtual AVertexFormat* VertexFormat() const { return mFormat; }
    // The size of a stream in 32-bit words.
    virtual int DwordCount(int stream) const { return stream == 0 ? mDwords : 0; }

    AVertexFormat* mFormat = nullptr;
    int mDwords = 0;
};

class VertexBufferDx9 : public AVertexBuffer {
public:
    IDirect3DVertexBuffer9* mHandle = nullptr;
};

class VertexBufferDx10 : public AVertexBuffer {
public:
    void* mHandles[2] = {};  // the buffer, then its staging copy
};

class VertexBufferGL : public AVertexBuffer {
public:
    void* mHandle = nullptr;
};

// Several streams bound as one; the names are the streams' semantic names.
class VertexBufferSet : public AVertexBuffer {
public:
    Objects::_ArrayList<AVertexBuffer*, Objects::NoLifetime<AVertexBuffer*>> mStreams;
    Objects::_ArrayList<Objects::UString*, Objects::NoLifetime<Objects::UString*>> mStreamNames;
};

// ---- Rasters: targets, swap chains, textures

class IBaseRaster : public IDeviceResource {};

class ATarget : public IBaseRaster {
public:
    virtual AAtlas* Atlas() const { return mAtlas; }
    AAtlas* mAtlas = nullptr;
};

class ACreationParameters : public Objects::AAttachable, public Objects::IClone {
public:
    int mWidth = 0, mHeight = 0, mFormat = 0;
};

class ASwapChain : public ATarget {
public:
    ACreationParameters* mCreation = nullptr;
};

class TargetDx9 : public ATarget {
public:
    bool mIsSurface = false;  // else a render-target texture
    IUnknown* mHandle = nullptr;
};

class TargetDx10 : public ATarget {
public:
    ID3D10Texture2D* mHandle = nullptr;
};

class TargetGL : public ATarget {
public:
    IGLTexture* mHandle = nullptr;
};

class SwapChainDx9 : public ASwapChain {
public:
    IDirect3DSwapChain9* mHandle = nullptr;
};

class SwapChainDx10 : public ASwapChain {
public:
    IDXGISwapChain* mHandle = nullptr;
};

class SwapChainGL : public ASwapChain {
public:
    GLFrameBuffer* mHandle = nullptr;
};

class ATextureDesc : public Objects::IClone {
public:
    int mWidth = 0, mHeight = 0, mDepth = 0, mFormat = 0, mLevels = 0;
};

class ARenderTexture : public IBaseRaster {
public:
    ATextureDesc* mDesc = nullptr;
    AAtlas* mAtlas = nullptr;
};

class ASimpleTexture : public ARenderTexture {
public:
    LODTexture* mLODTexture = nullptr;  // the level chain it belongs to
};

class TextureDx9 : public ASimpleTexture {
public:
    IDirect3DBaseTexture9* mHandle = nullptr;
};

class TextureDx10 : public ASimpleTexture {
public:
    ID3D10Texture1D* mTexture1D = nullptr;
    ID3D10Texture2D* mTexture2D = nullptr;
    ID3D10Texture3D* mTexture3D = nullptr;
};

class TextureGL : public ASimpleTexture {
public:
    IGLTexture* mHandle = nullptr;
};

class LODTexture : public ARenderTexture {
public:
    static constexpr int kLevels = 16;
    ARenderTexture* mLevels[kLevels] = {};
    ATextureDesc* mLevelDesc = nullptr;
    Objects::KString mPath;
};

// Where one image of an atlas lies in its raster.
struct AtlasEntry {
    double mTexCoords[4][2];  // the corners
    int mPixels[4];           // left, top, width, height
};
static_assert(sizeof(AtlasEntry) == 80);

// Its entries follow the atlas in its own allocation (Create); one made otherwise has none behind it.
class AAtlas : public Objects::ARefCounted, public Objects::AAttachable, public Objects::IClone {
public:
    TARN_DELETED_IN_ONE_PIECE
    static AAtlas* Create(int entries) {
        auto* atlas = Objects::NewInOnePiece<AAtlas>(sizeof(AtlasEntry) * Objects::Entries(entries));
        atlas->mEntries = entries;
        atlas->mEntryTable = Objects::MakeTable<AtlasEntry>(Objects::TablesOf(atlas), Objects::Entries(entries));
        return atlas;
    }

    virtual int EntryCount() const { return mEntries; }
    int mEntries = 0;
    IBaseRaster* mRaster = nullptr;
    AtlasEntry* mEntryTable = nullptr;  // mEntries entries
};

// ---- States

class IDeviceState : public IDeviceResource {};
class IRenderState : public IDeviceState {};
class ASamplerState : public IRenderState, public Objects::IValueEquals<ASamplerState> {};
class ARasterizerState : public IDeviceState, public Objects::IValueEquals<ARasterizerState> {};
class ADepthStencilState : public IDeviceState, public Objects::IValueEquals<ADepthStencilState> {};
class ABlendState : public IDeviceState, public Objects::IValueEquals<ABlendState> {};

// ---- Queries

class ADeviceQuery : public IDeviceResource {};
class QueryDx9 : public ADeviceQuery {};
class QueryDx10 : public ADeviceQuery {};
class QueryGL : public ADeviceQuery {};

// ---- Vertex formats: the attachable part follows the format interface

class AVertexFormat : public Objects::IVertexFormat,
                      public IDeviceResource,
                      public Objects::IValueEquals<AVertexFormat>,
                      public Objects::IClone {};

class VertexFormat : public AVertexFormat {
public:
    int mFields = 0;
    int mStride = 0;
};

// ---- Shaders

class AShaderBlob : public Objects::ARefCounted {};

class IBaseShader : public IDeviceResource {};

class AShader : public IBaseShader {
public:
    static constexpr int kSources = 5;
    Objects::KStringA* mSources[kSources] = {};  // one per stage's source text
    ConstantBufferSet* mConstantBuffers = nullptr;
    AParameterSet* mParameters = nullptr;
};

class ShaderDx9 : public AShader {};

class ShaderDx10 : public AShader {
public:
    Objects::KStringA* mEntryPoint = nullptr;
    AVertexFormat* mInputLayout = nullptr;
    ID3D10Blob* mBlobs[2] = {};             // byte code, then the reflection data
    AShaderBlob* mShaderBlobs[2] = {};
};

} // namespace Tarn::Devices

#pragma GCC visibility pop
