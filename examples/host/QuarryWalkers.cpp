// The host's plug-in: the quarry's walker, registered when the host loads it. It also registers the terrain,
// which the host has registered already: the host's registration stays, this one is refused.
#include "HostWalks.h"

namespace {

const Tarn::Utilities::Registrations<Tarn::Utilities::SubClasses<Tarn::Objects::Image<float>, Host::Quarry>,
                                     Tarn::Utilities::SubClasses<Tarn::Objects::Image<float>, Host::Terrain>>
    kWalkers;

} // namespace

extern "C" __attribute__((visibility("default"))) int QuarryWalkersRegistered() { return kWalkers.Made(); }
