// The walkers of shading fragments, fragment instances and implementations that the library exports. How each
// is walked is in FragmentWalks.h; their registrations are in Registrations.cpp.
#include "utilities/walkers/Walks.h"

namespace Tarn::Utilities {

// ---- Fragments

template class WalkObjectImpl<AFragment>;
template class WalkObjectImpl<AProcFragment>;
template class WalkObjectImpl<ShadeFragment>;
template class WalkObjectImpl<FragmentGraph>;
template class WalkObjectImpl<Graphics::StyleGraph>;
template class WalkObjectImpl<Graphics::StyleFragment>;
template class WalkObjectImpl<Graphics::ScriptFragment>;
template class WalkObjectImpl<Graphics::ComposeRegionFragment>;

// The render passes' fragments: each under its own name and size.
template class WalkObjectImpl<NPR_DownSampleToBlackWhitePassMarginFragment>;
template class WalkObjectImpl<NPR_FastBlurPostProcessPassMarginFragment>;
template class WalkObjectImpl<VE_ClearFragmentMarginFragment>;
template class WalkObjectImpl<VE_Draw3DFragmentMarginFragment>;
template class WalkObjectImpl<NPR_LineMaskPassMarginFragment>;
template class WalkObjectImpl<NPR_FaceMaskPassMarginFragment>;
template class WalkObjectImpl<NPR_BicolorDilationPassMarginFragment>;
template class WalkObjectImpl<NPR_SelectionCompositePassMarginFragment>;
template class WalkObjectImpl<NPR_DilationIdPassMarginFragment>;
template class WalkObjectImpl<NPR_DepthIdPassMarginFragment>;
template class WalkObjectImpl<NPR_ObjectHaloPassMarginFragment>;

// ---- Instances, implementations, schemes

template class WalkObjectImpl<AFragmentInstanceBase>;
template class WalkObjectImpl<AFragmentInstance>;
template class WalkObjectImpl<OITInstance>;
template class WalkObjectImpl<AShadower>;
template class WalkObjectImpl<EnvironmentInstance>;
template class WalkObjectImpl<LightInstance>;
template class WalkObjectImpl<SourceImplementation>;
template class WalkObjectImpl<GraphicScheme>;

// Nothing of their own.
template class WalkObjectImpl<ABaseImplementation>;
template class WalkObjectImpl<FromXmlCallback>;
template class WalkObjectImpl<SourceImplementation::Declaration>;

} // namespace Tarn::Utilities
