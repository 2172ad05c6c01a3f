// How shading fragments, their instances and implementations are walked (Tarn::Devices, the graphics layer's
// fragments, and the render passes' fragments).
//
// A fragment is not attachable; its two parameter sets are inside it, and each walks its own attachment chain.
// Fragment instances are attachable through a secondary base. Every procedural fragment charges what an
// AFragment charges, under its own name and size.
#pragma once

#include "engine/devices/Devices.h"
#include "engine/graphics/Fragments.h"
#include "utilities/walk/WalkerDefinitions.h"
#include "utilities/walkers/DeviceWalks.h"

namespace Tarn::Utilities {

using FragmentBaseWalks = BaseWalkTable<
    WalkedAs<AFragment, AProcFragment, Graphics::ScriptFragment, Graphics::ComposeRegionFragment,
             NPR_DownSampleToBlackWhitePassMarginFragment, NPR_FastBlurPostProcessPassMarginFragment,
             VE_ClearFragmentMarginFragment, VE_Draw3DFragmentMarginFragment, NPR_LineMaskPassMarginFragment,
             NPR_FaceMaskPassMarginFragment, NPR_BicolorDilationPassMarginFragment,
             NPR_SelectionCompositePassMarginFragment, NPR_DilationIdPassMarginFragment,
             NPR_DepthIdPassMarginFragment, NPR_ObjectHaloPassMarginFragment>,
    WalkedAs<AFragmentInstanceBase, AFragmentInstance, OITInstance>,
    WalkedAs<FragmentGraph, Graphics::StyleGraph>>;

template <class T> std::enable_if_t<FragmentBaseWalks::Lists<T>> WalkMembers(T& object, Walking& walk) {
    walk.Base<FragmentBaseWalks::Of<T>>(object);
}

// ---- Fragments

inline void WalkMembers(AFragment& fragment, Walking& walk) {
    walk.Pointer(fragment.mKeywords);
    walk.Embedded(fragment.mInputs);
    walk.Embedded(fragment.mOutputs);
    walk.Pointer(fragment.mCallback);
}

inline void WalkMembers(ShadeFragment& fragment, Walking& walk) {
    walk.Base<AFragment>(fragment);
    walk.Embedded(fragment.mImplementations);
}

inline void WalkMembers(FragmentGraph& graph, Walking& walk) {
    walk.Base<AFragment>(graph);
    walk.Embedded(graph.mFragments);
}

inline void WalkMembers(Graphics::StyleFragment& fragment, Walking& walk) {
    walk.Base<AFragment>(fragment);
    walk.Embedded(fragment.mStyleNames);
}

// ---- Fragment instances

inline void WalkMembers(AFragmentInstanceBase& instance, Walking& walk) {
    walk.Base<AAttachable>(instance);
    walk.Pointer(instance.Fragment());
    walk.Embedded(instance.mConstantBuffers);
}

inline void WalkMembers(AShadower& shadower, Walking& walk) {
    walk.Base<AFragmentInstanceBase>(shadower);
    walk.Pointer(shadower.ShadowFragment());
}

inline void WalkMembers(EnvironmentInstance& environment, Walking& walk) {
    walk.Base<AFragmentInstanceBase>(environment);
    walk.Pointer(environment.Transform());
}

// The light's properties are not its own: only their shadow map is walked.
inline void WalkMembers(LightInstance& light, Walking& walk) {
    walk.Base<AFragmentInstanceBase>(light);
    walk.Pointer(light.Transform());
    if (BasicLightProperties* properties = light.LightProperties()) walk.Pointer(properties->ShadowMap());
    walk.Pointer(light.SamplePoints());
    walk.Pointer(light.Shadower());
}

// ---- Implementations and schemes

inline void WalkMembers(SourceImplementation& implementation, Walking& walk) {
    walk.Pointer(implementation.mSources);
    walk.Pointer(implementation.mIncludes);
    walk.Pointer(implementation.mDeclarations);
}

inline void WalkMembers(GraphicScheme& scheme, Walking& walk) {
    walk.Base<AAttachable>(scheme);
    walk.Embedded(scheme.mInstances);
    walk.Embedded(scheme.mLights);
    walk.Pointer(scheme.mEnvironment);
    walk.Pointer(scheme.mFragment);
    walk.Embedded(scheme.mPostInstances);
    walk.Pointer(scheme.mLightSet);
    walk.Pointer(scheme.mOIT);
}

} // namespace Tarn::Utilities
