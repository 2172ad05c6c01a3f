// The host's own classes: derived from the engine's, with members the engine does not know.
#pragma once

#include "engine/objects/Objects.h"

namespace Host {

// A terrain: an image with a name, the engine objects placed on it, and a placement shared with other parts.
class Terrain : public Tarn::Objects::Image<float> {
public:
    Tarn::Objects::KString mName;
    Tarn::Objects::_ArrayList<Tarn::Objects::ARefCounted*, Tarn::Objects::RefCountedLifetime<Tarn::Objects::ARefCounted*>>
        mFeatures;
    Tarn::Objects::SharedMatrix* mPlacement = nullptr;  // not owned
};

// A quarry: its walker comes with a plug-in that the host loads later.
class Quarry : public Tarn::Objects::Image<float> {
public:
    Tarn::Objects::KStringA mOwner;
    double mDepths[8] = {};
};

} // namespace Host
