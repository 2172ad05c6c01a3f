// Shading fragments: fragments and fragment graphs, their instances (lights, shadowers, environments), their
// implementations, and the graphic scheme that puts them together.
#pragma once

#include "engine/devices/Effects.h"
#include "engine/devices/Geometry.h"

#pragma GCC visibility push(default)

namespace Tarn::Devices {

class FromXmlCallback : public Objects::ARefCounted {};

class KeywordList : public Objects::_ArrayList<Objects::UString*, Objects::NoLifetime<Objects::UString*>> {};

// ---- Implementations

class ABaseImplementation : public Objects::ARefCounted, public Objects::IClone {};

class SourceImplementation : public ABaseImplementation {
public:
    struct Declaration {
        int mKind = 0;
        int mSlot = 0;
    };
    class SourceList : public Objects::_ArrayList<Objects::UStringA*, Objects::NoLifetime<Objects::UStringA*>> {};
    class DeclarationList : public Objects::_ArrayList<Declaration, Objects::NoLifetime<Declaration>> {};

    SourceList* mSources = nullptr;
    SourceList* mIncludes = nullptr;
    DeclarationList* mDeclarations = nullptr;
};

class ImplementationList
    : public Objects::_ArrayList<ABaseImplementation*, Objects::NoLifetime<ABaseImplementation*>> {};

// ---- Fragments

class AFragment : public Objects::ARefCounted, public Objects::IPlugInObject {
public:
    KeywordList* mKeywords = nullptr;
    AParameterSet mInputs;
    AParameterSet mOutputs;
    FromXmlCallback* mCallback = nullptr;
};

// A fragment computed by code rather than composed.
class AProcFragment : public AFragment {};

class ShadeFragment : public AFragment {
public:
    Objects::_ArrayList<ABaseImplementation*, Objects::NoLifetime<ABaseImplementation*>> mImplementations;
};

class FragmentGraph : public AFragment {
public:
    Objects::_ArrayList<AFragment*, Objects::RefCountedLifetime<AFragment*>> mFragments;
};

class FragmentList : public Objects::_ArrayList<AFragment*, Objects::RefCountedLifetime<AFragment*>> {};

// ---- Fragment instances: the attachable part follows the reference count

class AFragmentInstanceBase : public Objects::ARefCounted, public Objects::AAttachable, public Objects::IPlugInObject {
public:
    virtual AFragment* Fragment() const { return mFragment; }

    AFragment* mFragment = nullptr;
    Objects::_ArrayList<CBInstance, Objects::NoLifetime<CBInstance>> mConstantBuffers;
};

class AFragmentInstance : public AFragmentInstanceBase {};
class OITInstance : public AFragmentInstance {};

class EnvironmentInstance : public AFragmentInstance {
public:
    virtual Objects::SharedMatrix* Transform() const { return mTransform; }
    Objects::SharedMatrix* mTransform = nullptr;
};

class AShadower : public AFragmentInstance {
public:
    virtual ShadeFragment* ShadowFragment() const { return mShadowFragment; }
    ShadeFragment* mShadowFragment = nullptr;
};

class LightInstance : public EnvironmentInstance {
public:
    virtual BasicLightProperties* LightProperties() const { return mProperties; }
    virtual SamplePointSet<vec3<float>>* SamplePoints() const { return mSamplePoints; }
    virtual AShadower* Shadower() const { return mShadower; }

    BasicLightProperties* mProperties = nullptr;
    SamplePointSet<vec3<float>>* mSamplePoints = nullptr;
    AShadower* mShadower = nullptr;
};

// ---- Schemes

class GraphicScheme : public Objects::ARefCounted,
                      public Objects::AAttachable,
                      public Objects::IPlugInObject,
                      public Objects::AUniqueName,
                      public Objects::IClone {
public:
    Objects::_ArrayList<AFragmentInstance*, Objects::RefCountedLifetime<AFragmentInstance*>> mInstances;
    Objects::_ArrayList<LightInstance*, Objects::NoLifetime<LightInstance*>> mLights;
    AFragmentInstance* mEnvironment = nullptr;
    AFragment* mFragment = nullptr;
    Objects::_ArrayList<AFragmentInstance*, Objects::NoLifetime<AFragmentInstance*>> mPostInstances;
    LightSet* mLightSet = nullptr;
    OITInstance* mOIT = nullptr;
};

} // namespace Tarn::Devices

#pragma GCC visibility pop
