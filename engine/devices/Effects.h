// Effects, their parameters and the values an effect instance gives them; constant buffers and texture bindings.
//
//   AParameterSet   ordered parameters;  set[i] is parameter i
//   ParameterValues one untyped value per parameter index, read through the accessor of the parameter's type
//   EffectInstance  an effect with values for its parameters, its effect data and its state overrides
#pragma once

#include "engine/devices/Resources.h"

#include <cstdint>
#include <initializer_list>
#include <stdexcept>

#pragma GCC visibility push(default)

namespace Tarn::Devices {

class ARenderCamera;
class EffectInstance;
class GraphicScheme;
class IRenderCamera;
class TextureInstance;

// ---- Parameters

// A parameter's descriptor: its user-interface name and a value block of its own (a default, say).
class AParamDesc : public Objects::AAttachable, public Objects::IUIName, public Objects::IClone {
public:
    const Objects::KString* UIName() const override { return &mUIName; }
    virtual void* DescValue() const { return mValue; }

    Objects::KString mUIName;
    void* mValue = nullptr;
};

class AParameter : public Objects::ARefCounted,
                   public Objects::AAttachable,
                   public Objects::AUniqueName,
                   public Objects::AFlags,
                   public Objects::ACategory,
                   public Objects::IClone {
public:
    // The type of a parameter's value. Arrays hold ArraySize() elements.
    enum EType : int32_t {
        kVoid = 0, kStruct = 1,
        kBool = 2, kInt = 3, kInt64 = 4, kFloat = 5, kFloat2 = 6, kFloat3 = 7, kFloat4 = 8,
        kMatrix = 9, kMatrixTransposed = 10, kColor3 = 11, kColor4 = 12,
        kTexture1D = 13, kTexture2D = 14, kTexture3D = 15, kTextureCube = 16, kSampler = 17,
        kString = 18, kRefCounted = 19, kText = 20, kEnum = 21, kBoolFlag = 22, kPath = 23, kBox2 = 24,
        kCamera = 25, kScheme = 26, kWorld = 27, kStateSetter = 28, kExtendedStateSetter = 29,
        kEffectInstance = 30, kFunction = 31, kTarget = 32, kNameList = 33,
        kBox3 = 40, kInt2 = 41, kInt3 = 42, kInt4 = 43,
    };

    AParameter() = default;
    AParameter(EType type, int arraySize) : mType(type), mArraySize(arraySize) {}

    virtual EType Type() const { return mType; }
    virtual int ArraySize() const { return mArraySize; }
    virtual void* Value() const { return mValue; }
    virtual AParamDesc* Descriptor() const { return mDesc; }
    virtual ATextureDesc* TextureDesc() const { return mTextureDesc; }

    EType mType = kVoid;
    int mArraySize = 1;
    void* mValue = nullptr;
    AParamDesc* mDesc = nullptr;
    ATextureDesc* mTextureDesc = nullptr;
};

class AParameterSet : public Objects::ARefCounted,
                      public Objects::AAttachable,
                      public Objects::IEnumerable,
                      public Objects::IClone {
public:
    virtual int ParameterCount() const { return mParameters.Count(); }
    virtual AParameter* operator[](int index) { return mParameters[index]; }

    Objects::_ArrayList<AParameter*, Objects::RefCountedLifetime<AParameter*>> mParameters;
};

class AFragmentParameter : public AParameter {
public:
    using AParameter::AParameter;
};

class InParameter;

class OutParameter : public AFragmentParameter {
public:
    using AFragmentParameter::AFragmentParameter;
    Objects::_ArrayList<InParameter*, Objects::RefCountedLifetime<InParameter*>> mTargets;
};

class InParameter : public AFragmentParameter {
public:
    using AFragmentParameter::AFragmentParameter;
    OutParameter* mSource = nullptr;
};

class AliasParameter : public AFragmentParameter {
public:
    using AFragmentParameter::AFragmentParameter;
    InParameter* mAliased = nullptr;
};

class InParameterList : public Objects::_ArrayList<InParameter*, Objects::RefCountedLifetime<InParameter*>> {};

// ---- Values

class TextureInstance : public Objects::ARefCounted, public Objects::IDisposeResource, public Objects::IClone {
public:
    IBaseRaster* mRaster = nullptr;
    ASamplerState* mSampler = nullptr;
};

class StateSetter {
public:
    virtual ~StateSetter() = default;
};

class ExtendedStateSetter {
public:
    virtual ~ExtendedStateSetter() = default;
};

// One value a parameter of the effect's set, by index: what a slot points at is the caller's. One block (Create):
// this object in its first 48 bytes, then a value pointer a parameter, then a flag a parameter, 48 + 9 bytes a
// parameter in all.
class ParameterValues : public Objects::IBaseInterface, public Objects::IValueEquals<ParameterValues> {
public:
    static constexpr size_t kHeaderBytes = 48;
    TARN_DELETED_IN_ONE_PIECE
    static ParameterValues* Create(int count) {
        const size_t slots = Objects::Entries(count);
        return Objects::NewInOnePiece<ParameterValues>(kHeaderBytes - sizeof(ParameterValues) +
                                                           (sizeof(void*) + sizeof(bool)) * slots,
                                                       int(slots));
    }

    // Values for no parameter; values for some are made by Create.
    ParameterValues() = default;

    int Count() const { return mCount; }
    void Set(int index, void* value) {
        if (index < 0 || index >= mCount) throw std::out_of_range("ParameterValues::Set");
        Slots()[index] = value;
        Flags()[index] = true;
    }

    virtual bool HasValue(int index) const { return index >= 0 && index < mCount && Flags()[index]; }
    bool* AsBoolArray(int index) const { return As<bool>(index); }
    int* AsIntArray(int index) const { return As<int>(index); }
    vec2<int>* AsInt2Array(int index) const { return As<vec2<int>>(index); }
    vec3<int>* AsInt3Array(int index) const { return As<vec3<int>>(index); }
    vec4<int>* AsInt4Array(int index) const { return As<vec4<int>>(index); }
    float* AsFloatArray(int index) const { return As<float>(index); }
    vec2<float>* AsFloat2Array(int index) const { return As<vec2<float>>(index); }
    vec3<float>* AsFloat3Array(int index) const { return As<vec3<float>>(index); }
    vec4<float>* AsFloat4Array(int index) const { return As<vec4<float>>(index); }
    mat4<float>* AsMatrixArray(int index) const { return As<mat4<float>>(index); }
    TextureInstance* AsTexture(int index) const { return As<TextureInstance>(index); }
    ASamplerState* AsSampler(int index) const { return As<ASamplerState>(index); }

private:
    template <class T, class... Args> friend T* Objects::NewInOnePiece(size_t, Args&&...);
    explicit ParameterValues(int count) : mCount(count) {
        unsigned char* at = reinterpret_cast<unsigned char*>(this) + kHeaderBytes;
        Objects::MakeTable<void*>(at, size_t(count));
        Objects::MakeTable<bool>(at + sizeof(void*) * size_t(count), size_t(count));
    }

    void** Slots() const {
        return reinterpret_cast<void**>(reinterpret_cast<unsigned char*>(const_cast<ParameterValues*>(this)) + kHeaderBytes);
    }
    bool* Flags() const { return reinterpret_cast<bool*>(Slots() + mCount); }
    template <class V> V* As(int index) const { return HasValue(index) ? static_cast<V*>(Slots()[index]) : nullptr; }

    int mCount = 0;
};
static_assert(sizeof(ParameterValues) <= ParameterValues::kHeaderBytes);

// ---- Effects

class IRenderEffect : public IDeviceResource {
public:
    virtual AParameterSet* ParameterSet() const { return mParameterSet; }
    AParameterSet* mParameterSet = nullptr;
};

// The effect's pass table, 4 bytes a pass, follows it in its own allocation (Create); one made otherwise has
// no table behind it.
class ARenderEffect : public IRenderEffect {
public:
    static constexpr int kParameterSets = 8;
    TARN_DELETED_IN_ONE_PIECE
    template <class E> static E* Create(int passes) {
        auto* effect = Objects::NewInOnePiece<E>(PassBytes(passes));
        effect->SetPassTable(Objects::TablesOf(effect), passes);
        return effect;
    }

    virtual int PassCount() const { return mPasses; }

    AParameterSet* mParameterSets[kParameterSets] = {};  // one per parameter group
    EffectInstance* mDefaultInstance = nullptr;
    int mPasses = 0;
    uint32_t* mPassTable = nullptr;  // mPasses state keys

protected:
    static size_t PassBytes(int passes) { return sizeof(uint32_t) * Objects::Entries(passes); }
    void SetPassTable(unsigned char* at, int passes) {
        mPasses = passes;
        mPassTable = Objects::MakeTable<uint32_t>(at, Objects::Entries(passes));
    }
};

class BasicMaterialEffect : public ARenderEffect {};
class SolidEffect : public ARenderEffect {};
class VertexColorEffect : public ARenderEffect {};

// An effect file: its techniques by name, and one input layout per technique. Create makes it in one piece
// with its technique table (8 bytes a technique, first) and its pass table; its techniques are those it was
// made with.
class AFXEffect : public ARenderEffect {
public:
    using NameList = Objects::_ListBase<Objects::UString*, Objects::NoLifetime<Objects::UString*>>;
    template <class E> static E* Create(int passes, std::initializer_list<Objects::UString*> techniques) {
        const size_t count = techniques.size();
        auto* effect = Objects::NewInOnePiece<E>(sizeof(void*) * count + PassBytes(passes));
        unsigned char* tables = Objects::TablesOf(effect);
        effect->mTechniqueTable = Objects::MakeTable<void*>(tables, count);
        effect->SetPassTable(tables + sizeof(void*) * count, passes);
        for (Objects::UString* name : techniques) effect->mTechniques.Add(name);
        return effect;
    }

    virtual NameList* TechniqueNames() { return &mTechniques; }

    Objects::_ArrayList<Objects::UString*, Objects::NoLifetime<Objects::UString*>> mTechniques;
    AVertexFormat** mLayouts = nullptr;  // mTechniques.Count() entries
    void** mTechniqueTable = nullptr;    // the compiled techniques, one a name
};

class FXEffectDx9 : public AFXEffect, public IParameterActivationTarget {};
class FXEffectDx10 : public AFXEffect, public IParameterActivationTarget {};
class FXCgEffectGL : public AFXEffect, public IParameterActivationTarget {};

// ---- Constant buffers

class AConstantBuffer : public IDeviceResource, public IParameterActivationTarget, public Objects::IClone {
public:
    virtual AParameterSet* Parameters() const { return mParameters; }
    virtual vec4<float>* Data() const { return mData; }

    AParameterSet* mParameters = nullptr;
    vec4<float>* mData = nullptr;
};

class ConstantBufferSet : public Objects::ARefCounted,
                          public Objects::_ArrayList<AConstantBuffer*, Objects::NoLifetime<AConstantBuffer*>> {};

// A constant buffer bound at a slot; stored by value in lists.
struct CBInstance {
    int mSlot = 0;
    IParameterActivationTarget* mTarget = nullptr;
};

class CBInstanceList : public Objects::_ArrayList<CBInstance, Objects::NoLifetime<CBInstance>> {};

// ---- Effect instances

class IEffectData : public Objects::IClone {};

class OverrideDeviceState : public Objects::IValueEquals<OverrideDeviceState> {
public:
    // The states of one kind: front faces, back faces, and the fallback.
    template <class S> struct StateBundle {
        S* mStates[3] = {};
    };

    StateBundle<ARasterizerState> mRasterizer;
    StateBundle<ADepthStencilState> mDepthStencil;
    StateBundle<ABlendState> mBlend;
};

class EffectInstance : public Objects::ARefCounted,
                       public ITextures,
                       public Objects::IValueEquals<EffectInstance>,
                       public Objects::IClone {
public:
    OverrideDeviceState* OverrideState() const { return mOverride; }

    IRenderEffect* mEffect = nullptr;
    ParameterValues* mValues = nullptr;
    IEffectData* mData = nullptr;
    OverrideDeviceState* mOverride = nullptr;
};

class BasicMaterialEffectInstance : public EffectInstance {};
class SolidEffectInstance : public EffectInstance {};
class VertexColorEffectInstance : public EffectInstance {};

// Data that is another effect instance, which it always has.
class NestedEffectData : public IEffectData {
public:
    explicit NestedEffectData(EffectInstance& instance) : mInstance(instance) {}
    EffectInstance& Instance() const { return mInstance; }

private:
    EffectInstance& mInstance;
};

class CBEffectData : public IEffectData {
public:
    ConstantBufferSet* mBuffers = nullptr;
    AParameterSet mParameters;
};

} // namespace Tarn::Devices

#pragma GCC visibility pop
