// The demo scene's device layer: what a renderer holds for one group of the scene. Each group has its own
// resources of all three graphics APIs, an effect whose parameters cover every kind of value, a mesh with its
// bindings, a light with its shadower, and a graphic scheme of fragment instances and fragments.
#include "engine/devices/Devices.h"
#include "engine/graphics/Fragments.h"
#include "examples/DemoGroup.h"

#include <iterator>
#include <string>

namespace Tarn::Demo {

using namespace Tarn::Objects;
using namespace Tarn::Devices;

namespace {

// Parameters of every kind of value the accountant reads, and a few it does not (18, 31, 36: the engine's own).
struct ParameterKind {
    AParameter::EType mType;
    int mArraySize;
    size_t mElementBytes;  // 0: the value is an object, not a block
};
constexpr ParameterKind kParameterKinds[] = {
    {AParameter::kBool, 4, 1},      {AParameter::kInt, 2, 4},          {AParameter::kInt64, 1, 8},
    {AParameter::kFloat, 8, 4},     {AParameter::kFloat2, 1, 8},       {AParameter::kFloat3, 0, 12},
    {AParameter::kFloat4, 3, 16},   {AParameter::kMatrix, 2, 64},      {AParameter::kColor4, 1, 16},
    {AParameter::kTexture2D, 1, 0}, {AParameter::kSampler, 1, 0},      {AParameter::kString, 1, 0},
    {AParameter::kRefCounted, 1, 0}, {AParameter::kText, 1, 0},        {AParameter::kEnum, 1, 4},
    {AParameter::kBoolFlag, -1, 1}, {AParameter::kBox2, 2, 16},        {AParameter::kCamera, 1, 0},
    {AParameter::kScheme, 1, 0},    {AParameter::kWorld, 1, 0},        {AParameter::kStateSetter, 1, 0},
    {AParameter::kExtendedStateSetter, 1, 0}, {AParameter::kEffectInstance, 1, 0},
    {AParameter::kFunction, 1, 0},  {AParameter::kTarget, 1, 0},       {AParameter::kNameList, 1, 0},
    {AParameter::EType(36), 1, 0},  {AParameter::kBox3, 1, 64},        {AParameter::kInt2, 2, 8},
    {AParameter::kInt3, 1, 12},     {AParameter::kInt4, 1, 16},
};

// The values object reads blocks of its own only of the kinds it has an accessor for; of the others (64-bit
// integers, boxes) an effect instance's value is the parameter's own block.
bool ReadByValues(AParameter::EType type) {
    return type != AParameter::kInt64 && type != AParameter::kBox2 && type != AParameter::kBox3;
}

} // namespace

void DemoScene::BuildDeviceLayer(int index, Group& group) {
    auto attach = [this](AAttachable* owner) { owner->Attach(Make<Attachment>(static_cast<ARefCounted*>(Make<APageableData>()))); };

    // ---- Textures of the three APIs, in an atlas, and a level chain over them
    auto* atlas = Own(AAtlas::Create(4 + index % 5));
    auto* texDx9 = Make<TextureDx9>();
    texDx9->mHandle = Make<IDirect3DBaseTexture9>();
    texDx9->mDeviceBytes = 64 * 64 * 4;
    auto* texDx10 = Make<TextureDx10>();
    texDx10->mTexture2D = Make<ID3D10Texture2D>();
    texDx10->mTexture3D = index % 3 ? nullptr : Make<ID3D10Texture3D>();
    texDx10->mDeviceBytes = 128 * 128 * 4;
    texDx10->mAtlas = atlas;
    auto* texGL = Make<TextureGL>();
    texGL->mHandle = Make<IGLTexture>();
    texGL->mDeviceBytes = 32 * 32 * 4;
    auto* levels = Make<LODTexture>();
    levels->mLevels[0] = texDx10;
    levels->mLevels[1] = texDx9;
    levels->mLevels[2] = texGL;
    levels->mLevelDesc = Make<ATextureDesc>();
    levels->mPath = KString(std::wstring(L"textures/terrain/level-chain-" + std::to_wstring(index) + L".dds").c_str());
    for (ASimpleTexture* texture : {static_cast<ASimpleTexture*>(texDx9), static_cast<ASimpleTexture*>(texDx10),
                                    static_cast<ASimpleTexture*>(texGL)}) {
        texture->mDesc = Make<ATextureDesc>();
        texture->mLODTexture = levels;
    }
    atlas->mRaster = texDx10;
    group.mObjects->Add(levels);

    // ---- The group's off-screen targets (reflections, shadows, picking), small as such targets are
    auto* targetDx9 = Make<TargetDx9>();
    targetDx9->mIsSurface = index % 2 == 0;
    targetDx9->mHandle = Make<IDirect3DSurface9>();
    targetDx9->mDeviceBytes = 128 * 128 * 4;
    auto* targetDx10 = Make<TargetDx10>();
    targetDx10->mHandle = Make<ID3D10Texture2D>();
    targetDx10->mDeviceBytes = 256 * 256 * 4;
    targetDx10->mAtlas = atlas;
    auto* targetGL = Make<TargetGL>();
    targetGL->mHandle = Make<IGLTexture>();
    targetGL->mDeviceBytes = 128 * 128 * 4;

    // ---- The scene's windows, one a graphics API, each with its double-buffered swap chain: made once, with
    // the first group
    if (index == 0) {
        auto* chainDx9 = Make<SwapChainDx9>();
        chainDx9->mHandle = Make<IDirect3DSwapChain9>();
        auto* chainDx10 = Make<SwapChainDx10>();
        chainDx10->mHandle = Make<IDXGISwapChain>();
        auto* chainGL = Make<SwapChainGL>();
        chainGL->mHandle = Make<GLFrameBuffer>();
        for (ASwapChain* chain : {static_cast<ASwapChain*>(chainDx9), static_cast<ASwapChain*>(chainDx10),
                                  static_cast<ASwapChain*>(chainGL)}) {
            chain->mCreation = Make<ACreationParameters>();
            chain->mDeviceBytes = 2 * 1920 * 1080 * 4;
            group.mObjects->Add(chain);
        }
    }
    for (ATarget* target : {static_cast<ATarget*>(targetDx9), static_cast<ATarget*>(targetDx10),
                            static_cast<ATarget*>(targetGL)})
        group.mObjects->Add(target);

    // ---- Vertex and index buffers of the three APIs; the client copy in the engine's memory or staged
    auto* format = Make<VertexFormat>();
    attach(format);
    const int vertices = 24 + index % 16;
    auto makeVertices = [&](AVertexBuffer* buffer) {
        buffer->mFormat = format;
        buffer->mDwords = vertices * 8;
        buffer->mClientBytes = vertices * 32;
        if (index % 4 == 3) {
            buffer->mStorage = IBuffer::kStaging;
            buffer->mStagingData = MakeBlock(size_t(buffer->mClientBytes));
        } else {
            buffer->mClientData = MakeBlock(size_t(buffer->mClientBytes));
        }
        return buffer;
    };
    auto* vbDx9 = static_cast<VertexBufferDx9*>(makeVertices(Make<VertexBufferDx9>()));
    vbDx9->mHandle = Make<IDirect3DVertexBuffer9>();
    auto* vbDx10 = static_cast<VertexBufferDx10*>(makeVertices(Make<VertexBufferDx10>()));
    vbDx10->mHandles[0] = MakeBlock(16);
    vbDx10->mHandles[1] = MakeBlock(16);
    auto* vbGL = static_cast<VertexBufferGL*>(makeVertices(Make<VertexBufferGL>()));
    vbGL->mHandle = MakeBlock(16);

    const int indices = 36 + 6 * (index % 8);
    auto makeIndices = [&](AIndexBuffer* buffer) {
        buffer->mByteSize = indices * 2;
        buffer->mClientBytes = indices * 2;
        buffer->mClientData = MakeBlock(size_t(buffer->mClientBytes));
        return buffer;
    };
    auto* ibDx9 = static_cast<IndexBufferDx9*>(makeIndices(Make<IndexBufferDx9>()));
    ibDx9->mHandle = Make<IDirect3DIndexBuffer9>();
    auto* ibDx10 = static_cast<IndexBufferDx10*>(makeIndices(Make<IndexBufferDx10>()));
    ibDx10->mHandles[0] = MakeBlock(16);
    auto* ibGL = static_cast<IndexBufferGL*>(makeIndices(Make<IndexBufferGL>()));
    ibGL->mHandle = MakeBlock(16);

    auto* streams = Make<VertexBufferSet>();
    streams->mFormat = format;
    streams->mStreams.Add(vbDx10);
    streams->mStreams.Add(vbGL);
    streams->mStreamNames.Add(Intern(L"POSITION"));
    streams->mStreamNames.Add(Intern(L"TEXCOORD"));

    // ---- Meshes: a simple mesh with its bindings, a multi-mesh with sub-geometries and instances
    auto* supplement = Make<MeshSupplement>();
    auto bind = [this](int entries) {
        auto* binding = CreateTable<MeshBinding>(entries);
        mOwned.emplace_back(binding, [](void* owned) { DestroyTable(static_cast<MeshBinding*>(owned)); });
        return binding;
    };
    auto* boundVertex = CreateTable<MeshBoundVertex>(vertices);
    mOwned.emplace_back(boundVertex, [](void* owned) { DestroyTable(static_cast<MeshBoundVertex*>(owned)); });
    supplement->mBoundVertex = boundVertex;
    supplement->mBinding = bind(vertices);
    supplement->mPosition = bind(vertices);
    supplement->mNormal = bind(vertices);
    supplement->mTexCoords[0] = bind(vertices);
    supplement->mTexCoords[1] = index % 2 ? bind(vertices) : nullptr;

    auto* mesh = Make<SimpleMesh>();
    attach(mesh);
    mesh->mVertexBuffer = vbDx9;
    mesh->mIndexBuffer = ibDx9;
    mesh->mSupplement = supplement;

    auto* multi = Make<MultiMesh>();
    multi->mStreams = streams;
    multi->mSupplement = supplement;
    for (AIndexBuffer* part : {static_cast<AIndexBuffer*>(ibDx10), static_cast<AIndexBuffer*>(ibGL)}) {
        SSubGeom sub;
        sub.mIndexBuffer = part;
        sub.mIndexCount = indices;
        multi->mSubGeoms.Add(sub);
        auto* instance = Make<GeomInstance>();
        instance->mMesh = multi;
        instance->mRequiredFields = format;
        instance->mIndirectStreams = streams;
        instance->mVertexBuffer = vbGL;
        instance->mIndexBuffer = part;
        multi->mInstances.Add(instance);
    }
    auto* lods = Make<LODMesh>(3);
    lods->mLevels.Add(mesh);
    lods->mLevels.Add(multi->mInstances[0]);
    auto* split = Make<ASplitMesh>();
    split->mParts.Add(lods);
    split->mParts.Add(multi->mInstances[1]);
    auto* symbols = Make<ASymbolSet>();
    for (int i = 0; i < 5; ++i) symbols->mSymbols.Add(ASymbol());
    symbols->mMesh = mesh;
    symbols->mTexture = texGL;

    // ---- States
    auto* sampler = Make<ASamplerState>();
    auto* overrides = Make<OverrideDeviceState>();
    overrides->mRasterizer.mStates[0] = Make<ARasterizerState>();
    overrides->mDepthStencil.mStates[0] = Make<ADepthStencilState>();
    overrides->mDepthStencil.mStates[2] = overrides->mDepthStencil.mStates[0];
    overrides->mBlend.mStates[1] = Make<ABlendState>();

    // ---- An effect whose parameters cover every kind of value, and an instance that gives them values
    auto* textureInstance = Make<TextureInstance>();
    textureInstance->mRaster = texDx10;
    textureInstance->mSampler = sampler;
    auto* parameters = Make<AParameterSet>();
    auto* values = Own(ParameterValues::Create(int(std::size(kParameterKinds))));
    auto* names = Make<ListOfPUStrings>();
    names->Add(Intern(L"Default"));
    auto* camera = Make<ARenderCamera>();
    auto* world = Make<IWorld>();
    auto* label = Make<KString>(L"an effect parameter whose text is long enough to need a heap block");
    auto* nestedInstance = Make<SolidEffectInstance>();
    void* objectValues[] = {textureInstance, sampler, nullptr, Make<SharedMatrix>(), label, camera, nullptr, world,
                            Make<StateSetter>(), Make<ExtendedStateSetter>(), nestedInstance, nullptr, targetDx10,
                            names, nullptr};
    size_t nextObject = 0;
    for (int i = 0; i < int(std::size(kParameterKinds)); ++i) {
        const ParameterKind& kind = kParameterKinds[i];
        auto* parameter = Make<AParameter>(kind.mType, kind.mArraySize);
        const size_t elements = size_t(kind.mArraySize > 0 ? kind.mArraySize : 1);
        parameter->mValue = kind.mElementBytes ? MakeBlock(elements * kind.mElementBytes) : objectValues[nextObject++];
        if (i % 5 == 0) {
            parameter->mDesc = Make<AParamDesc>();
            parameter->mDesc->mUIName = KString(i % 10 ? L"Tint" : L"Colour of the surface under direct light");
            parameter->mDesc->mValue = kind.mElementBytes ? MakeBlock(elements * kind.mElementBytes) : nullptr;
        }
        parameters->mParameters.Add(parameter);
        if (i % 7 == 6) continue;  // some parameters keep their default
        const bool ownBlock = kind.mElementBytes && ReadByValues(kind.mType);
        values->Set(i, ownBlock ? MakeBlock(elements * kind.mElementBytes) : parameter->mValue);
    }
    attach(parameters);

    auto* constants = Make<AConstantBuffer>();
    constants->mParameters = parameters;
    constants->mDeviceBytes = 256;
    constants->mData = reinterpret_cast<vec4<float>*>(MakeBlock(256));
    auto* constantSet = Make<ConstantBufferSet>();
    constantSet->Add(constants);
    auto* effectData = Make<CBEffectData>();
    effectData->mBuffers = constantSet;

    auto* effect = Own(AFXEffect::Create<FXEffectDx10>(2, {Intern(L"Opaque"), Intern(L"Shadow"), Intern(L"Outline")}));
    effect->mParameterSet = parameters;
    effect->mParameterSets[0] = parameters;
    auto** layouts = reinterpret_cast<AVertexFormat**>(MakeBlock(3 * sizeof(AVertexFormat*)));
    layouts[0] = format;
    layouts[2] = format;
    effect->mLayouts = layouts;
    nestedInstance->mEffect = Own(ARenderEffect::Create<SolidEffect>(1));

    auto* instance = Make<VertexColorEffectInstance>();
    instance->mEffect = effect;
    instance->mValues = values;
    instance->mData = effectData;
    instance->mOverride = overrides;
    effect->mDefaultInstance = instance;

    // ---- Shaders and their compiled blobs
    auto* shader = Make<ShaderDx10>();
    shader->mSources[0] = Make<KStringA>("float4 main(float4 position : POSITION) : SV_Position { return position; }");
    shader->mSources[4] = Make<KStringA>("ps");
    shader->mEntryPoint = Make<KStringA>("main");
    shader->mInputLayout = format;
    shader->mConstantBuffers = constantSet;
    shader->mParameters = parameters;
    shader->mBlobs[0] = Make<ID3D10Blob>(MakeBlock(512 + 16 * size_t(index % 8)), 512 + 16 * size_t(index % 8));
    shader->mShaderBlobs[0] = Make<AShaderBlob>();
    auto* legacyShader = Make<ShaderDx9>();
    legacyShader->mSources[0] = shader->mSources[0];
    group.mObjects->Add(shader);
    group.mObjects->Add(legacyShader);

    // ---- The render item that draws the mesh with the effect
    auto* item = Make<RenderItem>();
    item->mMatrix = group.mMatrix;
    item->mGeometry = index % 2 ? static_cast<IRenderGeom*>(split) : symbols;
    item->mEffect = instance;
    item->mClipPlanes = Make<XPlaneSet<float>>(6);
    group.mObjects->Add(item);

    // ---- Fragments: a shade fragment with source, a graph of procedural and pass fragments, a style
    auto* source = Make<SourceImplementation>();
    source->mSources = Make<SourceImplementation::SourceList>();
    source->mSources->Add(InternA("float shade(float3 n, float3 l) { return saturate(dot(n, l)); }"));
    source->mDeclarations = Make<SourceImplementation::DeclarationList>();
    source->mDeclarations->Add({1, 0});
    auto* shade = Make<ShadeFragment>();
    shade->mImplementations.Add(source);
    shade->mKeywords = Make<KeywordList>();
    shade->mKeywords->Add(Intern(L"lighting"));
    shade->mCallback = Make<FromXmlCallback>();

    auto* graph = Make<Graphics::StyleGraph>();
    graph->mFragments.Add(shade);
    graph->mFragments.Add(Make<Utilities::NPR_ObjectHaloPassMarginFragment>());
    graph->mFragments.Add(Make<Utilities::VE_ClearFragmentMarginFragment>());
    graph->mFragments.Add(index % 2 ? static_cast<AFragment*>(Make<Utilities::NPR_LineMaskPassMarginFragment>())
                                    : Make<Graphics::ComposeRegionFragment>());
    auto* style = Make<Graphics::StyleFragment>();
    style->mStyleNames.Add(Intern(L"dashed"));
    graph->mFragments.Add(style);
    graph->mFragments.Add(Make<Graphics::ScriptFragment>());
    graph->mInputs.mParameters.Add(Make<InParameter>(AParameter::kFloat4, 1));

    // ---- A light with its shadower and sample points, in a scheme of fragment instances
    auto* samples = Make<SamplePointSet<vec3<float>>>();
    samples->mGenerator = Make<ASampleGenerator>();
    samples->mDistribution = Make<ASamplePointSelector<vec3<float>>>();
    samples->mFilter = Make<ASamplePointModifier<vec3<float>>>();
    for (int i = 0; i < 16; ++i) samples->mPoints.Add({{float(i), 0, 0}, 1});
    auto* shadower = Make<AShadower>();
    shadower->mShadowFragment = shade;
    shadower->mFragment = shade;
    auto* properties = Make<BasicLightProperties>();
    properties->mShadowMap = textureInstance;
    auto* light = Make<LightInstance>();
    light->mFragment = shade;
    light->mTransform = item->mMatrix;
    light->mProperties = properties;
    light->mSamplePoints = samples;
    light->mShadower = shadower;
    light->mConstantBuffers.Add({0, constants});
    light->mConstantBuffers.Add({1, effect});

    auto* scheme = Make<GraphicScheme>();
    attach(scheme);
    scheme->mInstances.Add(light);
    scheme->mLights.Add(light);
    scheme->mEnvironment = Make<EnvironmentInstance>();
    scheme->mFragment = graph;
    scheme->mPostInstances.Add(Make<AFragmentInstance>());
    scheme->mLightSet = Make<LightSet>();
    scheme->mLightSet->Add(0);
    scheme->mOIT = Make<OITInstance>();
    group.mObjects->Add(scheme);

    // ---- Effects of the other kinds: a material whose data is another instance, over parameters that feed
    // each other, and effect files of the other two APIs
    auto* material = Make<BasicMaterialEffectInstance>();
    auto* materialEffect = Own(ARenderEffect::Create<BasicMaterialEffect>(1));
    material->mEffect = materialEffect;
    material->mData = Make<NestedEffectData>(*nestedInstance);
    auto* materialParameters = Make<AParameterSet>();
    auto* out = Make<OutParameter>(AParameter::kFloat4, 1);
    auto* in = Make<InParameter>(AParameter::kFloat4, 1);
    auto* alias = Make<AliasParameter>(AParameter::kFloat4, 1);
    out->mTargets.Add(in);
    in->mSource = out;
    alias->mAliased = in;
    for (AParameter* parameter : {static_cast<AParameter*>(out), static_cast<AParameter*>(in),
                                  static_cast<AParameter*>(alias)})
        materialParameters->mParameters.Add(parameter);
    materialEffect->mParameterSet = materialParameters;
    materialEffect->mParameterSets[0] = materialParameters;
    material->mValues = Own(ParameterValues::Create(3));
    material->mValues->Set(0, MakeBlock(16));
    auto* colours = Own(ARenderEffect::Create<VertexColorEffect>(3));
    auto* legacyEffect = Own(AFXEffect::Create<FXEffectDx9>(0, {}));
    auto* glEffect = Own(AFXEffect::Create<FXCgEffectGL>(1, {Intern(L"Opaque")}));
    glEffect->mLayouts = reinterpret_cast<AVertexFormat**>(MakeBlock(sizeof(AVertexFormat*)));
    glEffect->mLayouts[0] = format;

    // A graph of the render passes' fragments inside the style graph.
    auto* passes = Make<FragmentGraph>();
    passes->mFragments.Add(Make<Utilities::NPR_DownSampleToBlackWhitePassMarginFragment>());
    passes->mFragments.Add(Make<Utilities::NPR_FastBlurPostProcessPassMarginFragment>());
    passes->mFragments.Add(Make<Utilities::VE_Draw3DFragmentMarginFragment>());
    passes->mFragments.Add(Make<Utilities::NPR_FaceMaskPassMarginFragment>());
    passes->mFragments.Add(Make<Utilities::NPR_BicolorDilationPassMarginFragment>());
    passes->mFragments.Add(Make<Utilities::NPR_SelectionCompositePassMarginFragment>());
    passes->mFragments.Add(Make<Utilities::NPR_DilationIdPassMarginFragment>());
    passes->mFragments.Add(Make<Utilities::NPR_DepthIdPassMarginFragment>());
    graph->mFragments.Add(passes);
    shade->mImplementations.Add(Make<ABaseImplementation>());

    // Resources a renderer keeps only in its resource lists.
    auto keep = [&group](ARefCounted* resource) { group.mObjects->Add(resource); };
    keep(material);
    keep(Make<EffectInstance>());
    keep(colours);
    keep(legacyEffect);
    keep(glEffect);
    keep(Make<QueryDx9>());
    keep(Make<QueryDx10>());
    keep(Make<QueryGL>());

    group.mItem = item;
    group.mEffect = instance;
    group.mScheme = scheme;
    group.mFormat = format;
    group.mLight = properties;
    group.mStyle = graph;
    group.mStyleFragment = style;
}

} // namespace Tarn::Demo
