// The host's own classes: derived from the engine's, with members the engine does not know.
#pragma once

#include "engine/objects/Objects.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

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

// A survey of the terrain, kept in the standard library's types: the library walks them all.
class Survey : public Tarn::Objects::ARefCounted {
public:
    std::string mTitle;
    std::vector<Tarn::Objects::KString> mSites;                         // each site's name walked in place
    std::unique_ptr<Tarn::Objects::ARefCounted> mFrame;                 // walked as the class it really is
    std::shared_ptr<Tarn::Objects::ImageAttribute> mLegend;            // shared by several surveys
    std::unordered_map<int, std::vector<double>> mDepthsBySite;
};

} // namespace Host
