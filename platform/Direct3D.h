// The graphics-API interfaces that the device layer holds. Direct3D, DXGI and D3DX do not exist here: each is an
// empty declaration under its own name, so that records of API objects carry the names the engine's hosts know.
// The two blob interfaces answer their size and their bytes, which the accountant reads; here they hold them.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma GCC visibility push(default)

class IUnknown {
public:
    virtual ~IUnknown() = default;
};

class IDirect3DIndexBuffer9 : public IUnknown {};
class IDirect3DVertexBuffer9 : public IUnknown {};
class IDirect3DSurface9 : public IUnknown {};
class IDirect3DTexture9 : public IUnknown {};
class IDirect3DBaseTexture9 : public IUnknown {};
class IDirect3DSwapChain9 : public IUnknown {};
class ID3D10Texture1D : public IUnknown {};
class ID3D10Texture2D : public IUnknown {};
class ID3D10Texture3D : public IUnknown {};
class IDXGISwapChain : public IUnknown {};

// A compiled shader or an error text: its size is a full machine word.
class ID3D10Blob : public IUnknown {
public:
    ID3D10Blob(void* data = nullptr, size_t size = 0) : mData(data), mSize(size) {}
    virtual size_t GetBufferSize() { return mSize; }
    virtual void* GetBufferPointer() { return mData; }

private:
    void* mData;
    size_t mSize;
};

// The same for D3DX, whose size is a 32-bit word.
class ID3DXBuffer : public IUnknown {
public:
    ID3DXBuffer(void* data = nullptr, uint32_t size = 0) : mData(data), mSize(size) {}
    virtual uint32_t GetBufferSize() { return mSize; }
    virtual void* GetBufferPointer() { return mData; }

private:
    void* mData;
    uint32_t mSize;
};

#pragma GCC visibility pop
