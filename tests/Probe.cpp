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
const Registrations<SubClasses<APrimitive, Probe>, SubClasses<Base, Middle>, SubClasses<Leaf, Mixed>> kTestRegistrations;
const CountedRegistration kCountedLeaf;

} // namespace

} // namespace Tarn::Utilities
