#include "Probe.h"

#include "utilities/walkers/Walks.h"

namespace Tarn::Testing {

std::vector<ProbeVisit>& ProbeLog() {
    static std::vector<ProbeVisit> log;
    return log;
}

int& ResolverCalls() {
    static int calls = 0;
    return calls;
}

} // namespace Tarn::Testing

namespace Tarn::Utilities {

using namespace Tarn::Testing;

void WalkMembers(Probe& probe, Walking& walk) {
    ProbeLog().push_back({probe.mId, std::string(walk.Recorder()->GetResults())});
}
template <class B> void WalkMembers(ProbeAs<B>& probe, Walking& walk) {
    ProbeLog().push_back({probe.mId, std::string(walk.Recorder()->GetResults())});
}
void WalkMembers(Middle& middle, Walking& walk) { walk.Base<Base>(middle); }
void WalkMembers(Leaf& leaf, Walking& walk) { walk.Base<Middle>(leaf); }
void WalkMembers(Mixed& mixed, Walking& walk) { walk.Base<Leaf>(mixed); }
void WalkMembers(Unlisted& unlisted, Walking& walk) { walk.Base<Middle>(unlisted); }
void WalkMembers(LonelyChild&, Walking&) {}

template class WalkObjectImpl<Probe>;
template class WalkObjectImpl<Base>;
template class WalkObjectImpl<Middle>;
template class WalkObjectImpl<Leaf>;
template class WalkObjectImpl<Mixed>;
template class WalkObjectImpl<Unlisted>;
template class WalkObjectImpl<Plain>;
template class WalkObjectImpl<Lonely>;
template class WalkObjectImpl<LonelyChild>;
template class WalkObjectImpl<Landscape>;
template class WalkObjectImpl<Meadow>;
template class WalkObjectImpl<Slope>;
template class WalkObjectImpl<NorthSlope>;
template class WalkObjectImpl<SouthSlope>;
template class WalkObjectImpl<Objects::_ArrayList<Base*, Objects::NoLifetime<Base*>>>;
template class WalkObjectImpl<Objects::_HashMap<ARefCounted*, ARefCounted*, Objects::_Hasher<ARefCounted*>>>;
template class WalkObjectImpl<tbb::concurrent_queue<Objects::AutoPtr<Probe>, tbb::cache_aligned_allocator<Objects::AutoPtr<Probe>>>>;

namespace {

// Counts the resolver calls of Leaf under Middle, so a test can see the cache answer without a search.
IWalkObject* CountingLeafResolver(void* object, void*& adjusted) {
    ++ResolverCalls();
    return ResolveSubClass<Middle, Leaf>(object, adjusted);
}

struct CountedRegistration {
    CountedRegistration() { ClassHierarchy<WalkObjectImpl<Middle>>::RegisterSubClass(0, &CountingLeafResolver); }
};

// The library's hierarchies are shared with this module: the probe joins the primitives.
const Registrations<SubClasses<APrimitive, Probe>, SubClasses<Base, Middle>, SubClasses<Leaf, Mixed>,
                    SubClasses<Slope, NorthSlope, SouthSlope>>
    kTestRegistrations;
const CountedRegistration kCountedLeaf;

// The static types through which the walker tests reach probes in the place of engine objects.
template <class... B> using ProbesIn = Registrations<SubClasses<B, ProbeAs<B>>...>;
namespace D = Tarn::Devices;
namespace G = Tarn::Graphics;
const ProbesIn<
    // Object model
    ARefCounted, ALocale, APrimitive, APrimitiveContext, APrimitiveIterator, SharedMatrix, Image<float>, Image<double>,
    XPlaneSet<float>, ASampleGenerator,
    // Device layer
    D::EffectInstance, D::AVertexFormat, D::IRenderItem, D::IRenderGeom, D::AParamDesc, D::ATextureDesc,
    D::AParameterSet, D::AParameter, D::MultiMesh, D::VertexBufferSet, D::AVertexBuffer, D::AIndexBuffer,
    D::MeshSupplement, D::GeomInstance, D::SimpleMesh, D::ARenderTexture, D::IBaseRaster, D::ASamplerState,
    D::ASamplePointSelector<Tarn::vec3<float>>, D::ASamplePointModifier<Tarn::vec3<float>>, D::ARasterizerState,
    D::ADepthStencilState, D::ABlendState, D::ConstantBufferSet, ::ID3D10Blob, D::AShaderBlob,
    D::IParameterActivationTarget,
    // Fragments
    D::AFragment, D::AFragmentInstance, D::LightInstance, D::OITInstance, D::LightSet, D::KeywordList,
    D::FromXmlCallback, D::ABaseImplementation, D::SourceImplementation::SourceList,
    D::SourceImplementation::DeclarationList,
    // Render graph and text
    G::ARenderNode, G::ConsolidationItem, G::BaseBucketKey, G::ClientTraversalState, G::Occurrence, G::ISpatialCell,
    G::BSPCell, G::FilterNode, G::LODConsolidationCell, G::SingleNodeWorld, G::TraversalStateList, G::OccurrenceNode,
    G::ConsolidationBucket, G::LODConsolidatedWorld, G::EditableLineBuffer, Tarn::Text::LodRenderableTextRun,
    Tarn::Text::RenderableTextRun>
    kProbesIn;

} // namespace

} // namespace Tarn::Utilities
