// Device-layer walkers: client copies and API objects of buffers, targets, textures and swap chains, tables held in
// an object's own allocation, effects, mesh bindings, shader blobs, and the registry's reach into the device classes.
#include "WalkerTest.h"

#include "engine/devices/Devices.h"
#include "engine/graphics/Graphics.h"
#include "platform/TypeNames.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace Tarn::Devices;
using namespace Tarn::Objects;
using namespace Tarn::Testing;
using namespace Tarn::Testing::Reports;
using Tarn::Platform::ReadableNameOf;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::WalkObjectImpl;
using Tarn::Utilities::WalkPointer;

using BindingTable = std::unique_ptr<MeshBinding, void (*)(MeshBinding*)>;
BindingTable Binding(int entries) { return BindingTable(CreateTable<MeshBinding>(entries), &DestroyTable<MeshBinding>); }

class DeviceWalkers : public WalkerTest {
protected:
    unsigned char mBytes[256] = {};  // blocks and raw API handles: distinct addresses inside
};

// ---- Buffers

// Notes which of its client-copy accessors the walker asks.
class AccessorLog : public IBuffer {
public:
    unsigned char* ClientData() const override {
        ++mClientCalls;
        return IBuffer::ClientData();
    }
    unsigned char* StagingData(int offset) const override {
        mStagingOffsets.push_back(offset);
        return IBuffer::StagingData(offset);
    }
    mutable int mClientCalls = 0;
    mutable std::vector<int> mStagingOffsets;
};

TEST_F(DeviceWalkers, BufferBooksTheCopyOfItsStorageKindAtItsClientSize) {
    for (int storage : {int(IBuffer::kClient), int(IBuffer::kStaging), 2}) {
        SCOPED_TRACE(storage);
        AccessorLog buffer;
        buffer.mStorage = storage;
        buffer.mClientData = mBytes;
        buffer.mStagingData = mBytes + 128;
        buffer.mClientBytes = 24;
        buffer.mDeviceBytes = 4096;
        EXPECT_TRUE(Has(WalkAlone<IBuffer>(&buffer), Row("unsigned char*", 24, 1, 1)));
        EXPECT_EQ(buffer.mClientCalls, storage == IBuffer::kClient ? 1 : 0);
        EXPECT_EQ(buffer.mStagingOffsets, storage == IBuffer::kClient ? std::vector<int>{} : std::vector<int>{0});
    }
}

TEST_F(DeviceWalkers, IndexBufferDx9WithoutHandleBooksOnlyItsBufferPartAndItself) {
    IndexBufferDx9 buffer;
    buffer.mClientData = mBytes;
    buffer.mClientBytes = 16;
    buffer.mByteSize = 3000;
    EXPECT_EQ(Walk(&buffer), Total(sizeof(buffer) + 16, 2, 2) +
                                 Row("Tarn::Devices::IndexBufferDx9", sizeof(buffer), 1, 1) + Row("unsigned char*", 16, 1, 1));
}

TEST_F(DeviceWalkers, IndexBuffersBookTheirApiBuffersAtTheirByteSize) {
    IDirect3DIndexBuffer9 handle;
    IndexBufferDx9 dx9;
    IndexBufferDx10 dx10;
    IndexBufferGL gl;
    dx9.mHandle = &handle;
    dx10.mHandles[0] = mBytes;
    dx10.mHandles[1] = mBytes + 8;
    gl.mHandle = mBytes + 16;
    dx9.mByteSize = dx10.mByteSize = gl.mByteSize = 300;
    dx9.mDeviceBytes = dx10.mDeviceBytes = gl.mDeviceBytes = 7;
    Reach(static_cast<AIndexBuffer*>(&dx9));
    Reach(static_cast<AIndexBuffer*>(&dx10));
    const std::string report = Reach(static_cast<AIndexBuffer*>(&gl));
    EXPECT_TRUE(Has(report, Row("IDirect3DIndexBuffer9", 300, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Dx10 IndexBuffer", 600, 2, 2)));
    EXPECT_TRUE(Has(report, Row("OGL IndexBuffer", 300, 1, 1)));
}

// Answers 25 words and notes every stream it is asked for.
template <class B> class DwordLog : public B {
public:
    int DwordCount(int stream) const override { mStreams.push_back(stream); return 25; }
    mutable std::vector<int> mStreams;
};

TEST_F(DeviceWalkers, VertexBufferDx10BooksOneSharedBlockTwiceAtFullSizeAskingTheCountEachTime) {
    DwordLog<VertexBufferDx10> buffer;
    buffer.mHandles[0] = buffer.mHandles[1] = mBytes;
    EXPECT_TRUE(Has(Walk<VertexBufferDx10>(&buffer), Row("Dx10 VertexBuffer", 100, 1, 2)));
    EXPECT_EQ(buffer.mStreams, (std::vector<int>{0, 0}));

    buffer.mHandles[1] = mBytes + 8;
    EXPECT_TRUE(Has(WalkAlone<VertexBufferDx10>(&buffer), Row("Dx10 VertexBuffer", 200, 2, 2)));
}

TEST_F(DeviceWalkers, VertexBuffersBookTheirFormatThenTheirApiBuffer) {
    DwordLog<VertexBufferDx9> dx9;
    DwordLog<VertexBufferGL> gl;
    IDirect3DVertexBuffer9 handle;
    VertexFormat format;
    dx9.mHandle = &handle;
    dx9.mFormat = gl.mFormat = &format;
    gl.mHandle = mBytes;
    Reach(static_cast<AVertexBuffer*>(&dx9));
    const std::string report = Reach(static_cast<AVertexBuffer*>(&gl));
    EXPECT_TRUE(Has(report, Row("IDirect3DVertexBuffer9", 100, 1, 1)));
    EXPECT_TRUE(Has(report, Row("OGL VertexBuffer", 100, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::VertexFormat", sizeof(format), 1, 2)));
}

TEST_F(DeviceWalkers, VertexBufferSetBooksItsNameArrayWithoutTheNames) {
    VertexBufferSet set;
    VertexBufferGL stream;
    set.mStreams.Add(&stream);
    for (const wchar_t* name : {L"POSITION", L"NORMAL", L"TEXCOORD0"}) set.mStreamNames.Add(Intern(name));
    const std::string report = Walk(&set);
    EXPECT_TRUE(Has(report, Row("Tarn::Objects::UString**", 6 * 8, 1, 1)));
    EXPECT_FALSE(Booked(report, "Tarn::Objects::UString"));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::AVertexBuffer**", 2 * 8, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::VertexBufferGL", sizeof(stream), 1, 1)));
}

// ---- Targets, textures, swap chains

TEST_F(DeviceWalkers, TargetsBookTheirHandleAtTheirDeviceSize) {
    for (bool surface : {false, true}) {
        SCOPED_TRACE(surface);
        TargetDx9 target;
        IDirect3DSurface9 handle;
        target.mIsSurface = surface;
        target.mHandle = &handle;
        target.mDeviceBytes = 512;
        target.mClientBytes = 3;
        const std::string report = WalkAlone(&target);
        EXPECT_TRUE(Has(report, Row(surface ? "IDirect3DSurface9" : "IDirect3DTexture9", 512, 1, 1)));
        EXPECT_FALSE(Booked(report, surface ? "IDirect3DTexture9" : "IDirect3DSurface9"));
    }
    TargetDx10 dx10;
    TargetGL gl;
    ID3D10Texture2D texture;
    IGLTexture glTexture;
    dx10.mHandle = &texture;
    gl.mHandle = &glTexture;
    dx10.mDeviceBytes = gl.mDeviceBytes = 512;
    Walk(&dx10);
    const std::string report = Walk(&gl);
    EXPECT_TRUE(Has(report, Row("ID3D10Texture2D", 512, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::IGLTexture", 512, 1, 1)));
}

TEST_F(DeviceWalkers, TextureDx10ReachedAsADeviceResourceIsWalkedAsItselfWithItsThreeHandles) {
    TextureDx10 texture;
    ID3D10Texture1D one;
    ID3D10Texture2D two;
    ID3D10Texture3D three;
    texture.mTexture1D = &one;
    texture.mTexture2D = &two;
    texture.mTexture3D = &three;
    texture.mDeviceBytes = 1000;
    const std::string report = Reach(static_cast<IDeviceResource*>(&texture));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::TextureDx10", sizeof(texture), 1, 1)));
    for (const char* handle : {"ID3D10Texture1D", "ID3D10Texture2D", "ID3D10Texture3D"})
        EXPECT_TRUE(Has(report, Row(handle, 1000, 1, 1))) << handle;
}

TEST_F(DeviceWalkers, LodTextureWalksItsOwnPartThenItsLevelsFromTheLast) {
    LODTexture lod;
    ProbeAttachment own(100);
    lod.Attach(&own.mLink);
    ARenderTexture levels[LODTexture::kLevels];
    ProbeAttachment tags[LODTexture::kLevels];
    for (int i = 0; i < LODTexture::kLevels; ++i) {
        tags[i].mProbe.mId = i;
        levels[i].Attach(&tags[i].mLink);
        lod.mLevels[i] = &levels[i];
    }
    ATextureDesc desc;
    lod.mLevelDesc = &desc;
    lod.mPath = L"textures/terrain/grass_lod_chain.dds";
    const std::string report = Walk(&lod);
    std::vector<int> order;
    for (const ProbeVisit& visit : ProbeLog()) order.push_back(visit.mId);
    EXPECT_EQ(order, (std::vector<int>{100, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_FALSE(Booked(ProbeLog().back().mReportSoFar, "Tarn::Devices::ATextureDesc"));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::ARenderTexture", 16 * sizeof(ARenderTexture), 16, 16)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::ATextureDesc", sizeof(desc), 1, 1)));
    EXPECT_TRUE(Has(report, Row("wchar_t const*", (lod.mPath.GetLen() + 1) * sizeof(wchar_t), 1, 1)));
}

template <class C> const char* HandleName();
template <> const char* HandleName<SwapChainDx9>() { return "IDirect3DSwapChain9"; }
template <> const char* HandleName<SwapChainDx10>() { return "IDXGISwapChain"; }
template <> const char* HandleName<SwapChainGL>() { return "Tarn::Devices::GLFrameBuffer"; }

template <class C> class DeviceSwapChains : public DeviceWalkers {};
using SwapChainTypes = ::testing::Types<SwapChainDx9, SwapChainDx10, SwapChainGL>;
TYPED_TEST_SUITE(DeviceSwapChains, SwapChainTypes);

TYPED_TEST(DeviceSwapChains, WalkTheTargetPartThenCreationParametersThenTheHandle) {
    TypeParam chain;
    AAtlas atlas;
    ACreationParameters creation;
    ProbeAttachment tag(1);
    creation.Attach(&tag.mLink);
    std::remove_pointer_t<decltype(chain.mHandle)> handle;
    chain.mAtlas = &atlas;
    chain.mCreation = &creation;
    chain.mHandle = &handle;
    chain.mDeviceBytes = 640;
    const std::string report = this->Walk(&chain);
    ASSERT_EQ(ProbeLog().size(), 1u);
    EXPECT_TRUE(Booked(ProbeLog()[0].mReportSoFar, "Tarn::Devices::AAtlas"));
    EXPECT_FALSE(Booked(ProbeLog()[0].mReportSoFar, HandleName<TypeParam>()));
    EXPECT_TRUE(Has(report, Row(HandleName<TypeParam>(), 640, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::ACreationParameters", sizeof(creation), 1, 1)));
    EXPECT_TRUE(Has(report, Row(ReadableNameOf<TypeParam>(), sizeof(chain), 1, 1)));
}

// ---- Tables in an object's own allocation, effects, meshes

TEST_F(DeviceWalkers, TablesInTheObjectsOwnAllocationGrowItsSize) {
    VertexColorEffect effect;
    effect.mPasses = 3;
    AAtlas atlas;
    atlas.mEntries = 2;
    BindingTable binding = Binding(5);
    std::unique_ptr<MeshBoundVertex, void (*)(MeshBoundVertex*)> bound(CreateTable<MeshBoundVertex>(7),
                                                                       &DestroyTable<MeshBoundVertex>);
    Walk(&effect);
    Walk(&atlas);
    Walk(binding.get());
    const std::string report = Walk(bound.get());
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::VertexColorEffect", sizeof(effect) + 12, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::AAtlas", sizeof(atlas) + 160, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::MeshBinding", sizeof(MeshBinding) + 20, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::MeshBoundVertex", sizeof(MeshBoundVertex) + 28, 1, 1)));
}

TEST_F(DeviceWalkers, FxEffectBooksTechniquesThenLayoutArrayThenLayoutsFromTheLast) {
    FXEffectDx10 effect;
    effect.mPasses = 1;
    for (const wchar_t* name : {L"fx technique solid", L"fx technique wire", L"fx technique halo"})
        effect.mTechniques.Add(Intern(name));
    VertexFormat first, last;
    ProbeAttachment firstTag(0), lastTag(2);
    first.Attach(&firstTag.mLink);
    last.Attach(&lastTag.mLink);
    AVertexFormat* layouts[3] = {&first, nullptr, &last};
    effect.mLayouts = layouts;
    const std::string report = Reach(static_cast<ARenderEffect*>(&effect));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::FXEffectDx10", sizeof(effect) + 4 + 3 * 8, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Objects::UString**", 6 * 8, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Objects::UString", 3 * sizeof(UString), 3, 3)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::AVertexFormat**", 3 * 8, 1, 1)));
    ASSERT_EQ(ProbeLog().size(), 2u);
    EXPECT_EQ(ProbeLog()[0].mId, 2);
    EXPECT_EQ(ProbeLog()[1].mId, 0);
    EXPECT_TRUE(Has(ProbeLog()[0].mReportSoFar, Row("Tarn::Devices::AVertexFormat**", 3 * 8, 1, 1)));
    EXPECT_TRUE(Has(ProbeLog()[0].mReportSoFar, Row("Tarn::Objects::UString", 3 * sizeof(UString), 3, 3)));
}

TEST_F(DeviceWalkers, EffectInstanceBooksItsParameterValuesOnlyWithAnEffect) {
    AParameter scale(AParameter::kFloat, 1), tint(AParameter::kColor4, 1);
    AParameterSet set;
    set.mParameters.Add(&scale);
    set.mParameters.Add(&tint);
    float value = 1;
    std::unique_ptr<ParameterValues> values(ParameterValues::Create(2));
    values->Set(0, &value);
    EffectInstance instance;
    instance.mValues = values.get();
    EXPECT_FALSE(Booked(Walk(&instance), "Tarn::Devices::ParameterValues"));

    VertexColorEffect effect;
    effect.mParameterSet = &set;
    instance.mEffect = &effect;
    const std::string report = WalkAlone(&instance);
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::ParameterValues", 48 + 16 + 2, 1, 1)));
    EXPECT_TRUE(Has(report, Row("float*", 4, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::VertexColorEffect", sizeof(effect), 1, 1)));
}

// Notes every usage it is asked for.
class UsageLog : public MeshSupplement {
public:
    MeshBinding* VertexBinding(EVertexFieldUsage usage) const override {
        mUsages.push_back(usage);
        return MeshSupplement::VertexBinding(usage);
    }
    mutable std::vector<int> mUsages;
};

TEST_F(DeviceWalkers, MeshSupplementAsksNineteenUsagesInOrderWhateverTheyReturn) {
    UsageLog supplement;
    BindingTable own = Binding(3), position = Binding(1), lastChannel = Binding(2);
    supplement.mBinding = own.get();
    supplement.mPosition = position.get();
    supplement.mTexCoords[15] = lastChannel.get();
    const std::string report = Walk<MeshSupplement>(&supplement);
    EXPECT_EQ(supplement.mUsages, (std::vector<int>{0, 3, 10, 5, 261, 517, 773, 1029, 1285, 1541, 1797, 2053, 2309,
                                                    2565, 2821, 3077, 3333, 3589, 3845}));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::MeshBinding", 3 * sizeof(MeshBinding) + 4 * (3 + 1 + 2), 3, 3)));
}

TEST_F(DeviceWalkers, BlobsBookTheirBytesAsAVoidPointerBlock) {
    ID3D10Blob blob(mBytes, 100);
    EXPECT_EQ(Walk(&blob), Total(sizeof(blob) + 100, 2, 2) + Row("void*", 100, 1, 1) +
                               Row(ReadableNameOf<ID3D10Blob>(), sizeof(blob), 1, 1));
    ID3DXBuffer buffer(mBytes + 128, 0xFFFFFFF0u);  // widened without sign
    EXPECT_TRUE(Has(WalkAlone(&buffer), Row("void*", 4294967280u, 1, 1)));
}

// ---- The registry reaches the most-derived device walker, through primary and secondary bases alike

template <class S, class D> struct Reached {
    using Static = S;
    using Dynamic = D;
};
template <class R> class DeviceRegistrations : public ::testing::Test {};
using ReachedPairs = ::testing::Types<
    Reached<IParameterActivationTarget, FXEffectDx10>, Reached<AAttachable, LightInstance>,
    Reached<IDeviceResource, SwapChainGL>, Reached<IDeviceResource, TextureDx10>, Reached<AParameter, InParameter>,
    Reached<AAttachable, AAtlas>, Reached<IClone, IndexBufferGL>, Reached<IVertexFormat, VertexFormat>,
    Reached<IBaseInterface, ParameterValues>, Reached<IPlugInObject, LightInstance>,
    Reached<ARefCounted, Tarn::Utilities::NPR_DepthIdPassMarginFragment>,
    Reached<AFragment, Tarn::Graphics::StyleGraph>>;
TYPED_TEST_SUITE(DeviceRegistrations, ReachedPairs);

TYPED_TEST(DeviceRegistrations, ObjectIsBookedByTheWalkerOfItsOwnClass) {
    using Dynamic = typename TypeParam::Dynamic;
    Dynamic object;
    auto* reached = static_cast<typename TypeParam::Static*>(&object);
    RecordMemory recorder;
    WalkPointer(reached, &recorder);
    EXPECT_EQ(std::string(recorder.GetResults()),
              Total(sizeof(Dynamic), 1, 1) + Row(ReadableNameOf<Dynamic>(), sizeof(Dynamic), 1, 1));
}

// ---- What each walker visits, in order, and exactly what it books

constexpr char kVertexSource[] = "float4 main(float4 p : POSITION) : SV_Position { return p; }";
constexpr char kPixelSource[] = "float4 main() : SV_Target { return 1; }";
constexpr char kEntryPoint[] = "main_entry_point_of_a_shader";

// A shader's own part: its attachable part, two of its five sources, constant buffers, parameters.
void ShaderPart(AShader& shader, Probes& p, KStringA (&sources)[2]) {
    p.Tag(shader);
    sources[0] = kVertexSource;
    sources[1] = kPixelSource;
    shader.mSources[0] = &sources[0];
    shader.mSources[3] = &sources[1];
    shader.mConstantBuffers = p.As<ConstantBufferSet>();
    shader.mParameters = p.As<AParameterSet>();
}

const Visits kDeviceVisits[] = {
    {"ParameterItsValueTheDescriptorsValueThenDescriptorAndTextureDescriptor",
     [](Probes& p) {
         AParameter parameter(AParameter::kFloat, 3);
         float value[3] = {}, described[3] = {};
         p.Tag(parameter);
         parameter.mValue = value;
         auto* desc = p.As<AParamDesc>();
         desc->mValue = described;
         parameter.mDesc = desc;
         parameter.mTextureDesc = p.As<ATextureDesc>();
         return WalkAlone(&parameter);
     },
     {One<AParameter>(), Row("float*", 2 * 12, 2, 2)},
     {{2, Row("float*", 2 * 12, 2, 2)}}},
    {"ParameterDescriptorItsPartThenItsName",
     [](Probes& p) {
         AParamDesc desc;
         p.Tag(desc);
         desc.mUIName = L"a name too long to be inside";  // 28 characters and the terminator
         return WalkAlone(&desc);
     },
     {One<AParamDesc>(), Row("wchar_t const*", 29 * sizeof(wchar_t), 1, 1)},
     {{2, "wchar_t const*"}}},
    {"ConstantBufferItsPartParametersThenData",
     [](Probes& p) {
         AConstantBuffer buffer;
         Tarn::vec4<float> data[4];
         p.Tag(buffer);
         buffer.mParameters = p.As<AParameterSet>();
         buffer.mData = data;
         buffer.mDeviceBytes = 64;
         return WalkAlone(&buffer);
     },
     {One<AConstantBuffer>(), Row("Tarn::vec4<float>*", 64, 1, 1)},
     {{3, "Tarn::vec4<float>*"}}},
    {"GeometryInstance",
     [](Probes& p) {
         GeomInstance instance;
         p.Tag(instance);
         instance.mMesh = p.As<MultiMesh>();
         instance.mRequiredFields = p.As<AVertexFormat>();
         instance.mIndirectStreams = p.As<VertexBufferSet>();
         instance.mVertexBuffer = p.As<AVertexBuffer>();
         instance.mIndexBuffer = p.As<AIndexBuffer>();
         return WalkAlone(&instance);
     },
     {One<GeomInstance>()}},
    {"MultiMeshStreamsSubGeometriesInstancesThenSupplement",
     [](Probes& p) {
         MultiMesh mesh;
         p.Tag(mesh);
         mesh.mStreams = p.As<VertexBufferSet>();
         mesh.mMorphStreams = p.As<VertexBufferSet>();
         SSubGeom last, first;
         last.mIndexBuffer = p.As<AIndexBuffer>();
         first.mIndexBuffer = p.As<AIndexBuffer>();
         mesh.mSubGeoms.Add(first);
         mesh.mSubGeoms.Add(last);
         p.Fill<GeomInstance>(mesh.mInstances, 1);
         mesh.mSupplement = p.As<MeshSupplement>();
         return WalkAlone(&mesh);
     },
     {One<MultiMesh>(), Row("Tarn::Devices::SSubGeom*", 2 * 24, 1, 1), Row("Tarn::Devices::GeomInstance**", 16, 1, 1)},
     {{6, "Tarn::Devices::SSubGeom*"}, {6, "Tarn::Devices::GeomInstance**"}}},
    {"SimpleMesh",
     [](Probes& p) {
         SimpleMesh mesh;
         p.Tag(mesh);
         mesh.mVertexBuffer = p.As<AVertexBuffer>();
         mesh.mIndexBuffer = p.As<AIndexBuffer>();
         mesh.mSupplement = p.As<MeshSupplement>();
         return WalkAlone(&mesh);
     },
     {One<SimpleMesh>()}},
    {"SplitMeshItsPartsFromTheLast",
     [](Probes& p) {
         ASplitMesh mesh;
         p.Tag(mesh);
         p.Fill<IRenderGeom>(mesh.mParts, 2);
         return WalkAlone(&mesh);
     },
     {One<ASplitMesh>(), Row("Tarn::Devices::IRenderGeom**", 16, 1, 1)},
     {{2, "Tarn::Devices::IRenderGeom**"}}},
    {"LodMeshItsLevelsFromTheLast",
     [](Probes& p) {
         LODMesh mesh(4);
         p.Tag(mesh);
         p.Fill<IRenderGeom>(mesh.mLevels, 2);
         return WalkAlone(&mesh);
     },
     {One<LODMesh>(), Row("Tarn::Devices::IRenderGeom**", 4 * 8, 1, 1)},
     {{2, "Tarn::Devices::IRenderGeom**"}}},
    {"SymbolSetItsSymbolArrayMeshThenTexture",
     [](Probes& p) {
         ASymbolSet symbols;
         p.Tag(symbols);
         symbols.mSymbols.Resize(3);
         symbols.mMesh = p.As<SimpleMesh>();
         symbols.mTexture = p.As<ARenderTexture>();
         return WalkAlone(&symbols);
     },
     {One<ASymbolSet>(), Row("Tarn::Devices::ASymbol*", 3 * sizeof(ASymbol), 1, 1)},
     {{2, "Tarn::Devices::ASymbol*"}}},
    {"RenderItemItsFiveAccessors",
     [](Probes& p) {
         RenderItem item;
         item.mMatrix = p.As<SharedMatrix>();
         item.mGeometry = p.As<IRenderGeom>();
         item.mEffect = p.As<EffectInstance>();
         item.mClipPlanes = p.As<XPlaneSet<float>>();
         item.mConsolidation = p.As<Tarn::Graphics::ConsolidationItem>();
         return WalkAlone(&item);
     },
     {One<RenderItem>()}},
    {"SamplePointSetGeneratorSelectorsModifiersThenPoints",
     [](Probes& p) {
         using P = Tarn::vec3<float>;
         SamplePointSet<P> set;
         set.mGenerator = p.As<ASampleGenerator>();
         set.mDistribution = p.As<ASamplePointSelector<P>>();
         set.mBoundary = p.As<ASamplePointSelector<P>>();
         set.mFilter = p.As<ASamplePointModifier<P>>();
         set.mTransform = p.As<ASamplePointModifier<P>>();
         set.mPoints.Resize(2);
         return WalkAlone(&set);
     },
     {One<SamplePointSet<Tarn::vec3<float>>>(), Row("Tarn::Devices::SamplePoint<Tarn::vec3<float> >*", 2 * 16, 1, 1)},
     {{6, "Tarn::Devices::SamplePoint<Tarn::vec3<float> >*"}}},
    {"OverrideStateItsRasterizerDepthStencilThenBlendBundles",
     [](Probes& p) {
         OverrideDeviceState state;
         for (auto*& rasterizer : state.mRasterizer.mStates) rasterizer = p.As<ARasterizerState>();
         for (auto*& depthStencil : state.mDepthStencil.mStates) depthStencil = p.As<ADepthStencilState>();
         for (auto*& blend : state.mBlend.mStates) blend = p.As<ABlendState>();
         return WalkAlone(&state);
     },
     {One<OverrideDeviceState>()}},
    {"TextureInstanceItsRasterThenSampler",
     [](Probes& p) {
         TextureInstance instance;
         instance.mRaster = p.As<IBaseRaster>();
         instance.mSampler = p.As<ASamplerState>();
         return WalkAlone(&instance);
     },
     {One<TextureInstance>()}},
    {"NestedEffectDataItsInstance",
     [](Probes& p) {
         NestedEffectData data(*p.As<EffectInstance>());
         return WalkAlone(&data);
     },
     {One<NestedEffectData>()}},
    {"ConstantBufferEffectDataItsBuffersThenItsParameterSet",
     [](Probes& p) {
         CBEffectData data;
         data.mBuffers = p.As<ConstantBufferSet>();
         p.Tag(data.mParameters);
         p.Fill<AParameter>(data.mParameters.mParameters, 1);
         return WalkAlone(&data);
     },
     {One<CBEffectData>(), Row("Tarn::Devices::AParameter**", 16, 1, 1)},
     {{3, "Tarn::Devices::AParameter**"}}},
    {"RenderEffectItsPartEightParameterSetsDefaultInstanceAndPasses",
     [](Probes& p) {
         BasicMaterialEffect effect;
         AParameterSet unwalked;  // the effect's parameter set is its instances' business
         effect.mParameterSet = &unwalked;
         p.Tag(effect);
         for (AParameterSet*& set : effect.mParameterSets) set = p.As<AParameterSet>();
         effect.mDefaultInstance = p.As<EffectInstance>();
         effect.mPasses = 5;
         return WalkAlone(&effect);
     },
     {One<BasicMaterialEffect>(4 * 5)}},
    {"ShaderItsPartSourcesConstantBuffersThenParameters",
     [](Probes& p) {
         ShaderDx9 shader;
         KStringA sources[2];
         ShaderPart(shader, p, sources);
         return WalkAlone(&shader);
     },
     {One<ShaderDx9>(), Row("Tarn::Objects::KStringA", 2 * sizeof(KStringA), 2, 2),
      Row("char*", sizeof(kVertexSource) + sizeof(kPixelSource), 2, 2)},
     {{2, Row("char*", sizeof(kVertexSource) + sizeof(kPixelSource), 2, 2)}}},
    {"ShaderDx10ItsShaderPartEntryPointLayoutBlobsThenShaderBlobs",
     [](Probes& p) {
         ShaderDx10 shader;
         KStringA sources[2], entry(kEntryPoint);
         ShaderPart(shader, p, sources);
         shader.mEntryPoint = &entry;
         shader.mInputLayout = p.As<AVertexFormat>();
         for (ID3D10Blob*& blob : shader.mBlobs) blob = p.As<ID3D10Blob>();
         for (AShaderBlob*& blob : shader.mShaderBlobs) blob = p.As<AShaderBlob>();
         return WalkAlone(&shader);
     },
     {One<ShaderDx10>(), Row("Tarn::Objects::KStringA", 3 * sizeof(KStringA), 3, 3),
      Row("char*", sizeof(kVertexSource) + sizeof(kPixelSource) + sizeof(kEntryPoint), 3, 3)},
     {{4, Row("Tarn::Objects::KStringA", 3 * sizeof(KStringA), 3, 3)}}},
};

class DeviceWalkerVisits : public WalkerVisits {};
TEST_P(DeviceWalkerVisits, MembersInOrderAndExactBytes) { ExpectVisits(); }
INSTANTIATE_TEST_SUITE_P(Devices, DeviceWalkerVisits, ::testing::ValuesIn(kDeviceVisits),
                         [](const auto& info) { return std::string(info.param.mName); });

} // namespace
