// How the host's classes are walked: included by the host and by its plug-in, so that both walk them alike.
#pragma once

#include "HostClasses.h"
#include "utilities/walkers/HostWalkers.h"

namespace Host {

inline void WalkMembers(Terrain& terrain, Tarn::Utilities::Walking& walk) {
    walk.Base<Tarn::Objects::Image<float>>(terrain);
    walk.Embedded(terrain.mName);
    walk.Embedded(terrain.mFeatures);
    walk.Pointer(terrain.mPlacement);
}

inline void WalkMembers(Quarry& quarry, Tarn::Utilities::Walking& walk) {
    walk.Base<Tarn::Objects::Image<float>>(quarry);
    walk.Embedded(quarry.mOwner);
}

inline void WalkMembers(Survey& survey, Tarn::Utilities::Walking& walk) {
    walk.Embedded(survey.mTitle);
    walk.Embedded(survey.mSites);
    walk.Embedded(survey.mFrame);
    walk.Embedded(survey.mLegend);
    walk.Embedded(survey.mDepthsBySite);
}

} // namespace Host
