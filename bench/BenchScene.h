// The benchmark's scene: a list of images, each with a polyline (its vertex array and a related point), a bounded
// plane and an attribute; six objects or blocks an image, the list in shuffled order so that a walk jumps through
// memory as it does in a long-lived engine heap.
#pragma once

#include "engine/objects/Objects.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace Tarn::Bench {

using RootList =
    Tarn::Objects::_ArrayList<Tarn::Objects::ARefCounted*, Tarn::Objects::RefCountedLifetime<Tarn::Objects::ARefCounted*>>;

inline constexpr int kObjectsPerImage = 6;

class BenchScene {
public:
    explicit BenchScene(int64_t objects) {
        const int64_t images = objects / kObjectsPerImage;
        mImages.reserve(size_t(images));
        for (int64_t i = 0; i < images; ++i) {
            auto image = std::make_unique<Tarn::Objects::Image<float>>();
            auto* curve = new Tarn::Objects::Polyline<float>;
            for (int v = 0; v < 3; ++v) curve->mVertices.Add({float(v), float(i), 0});
            curve->mRelated = new Tarn::Objects::Point<float>;
            image->mCurve = curve;
            image->mSurface = new Tarn::Objects::BoundedPlane<float>;
            image->mAttribute = new Tarn::Objects::ImageAttribute;
            mImages.push_back(std::move(image));
        }
        std::vector<Tarn::Objects::Image<float>*> order;
        for (auto& image : mImages) order.push_back(image.get());
        std::shuffle(order.begin(), order.end(), std::mt19937_64(42));
        for (Tarn::Objects::Image<float>* image : order) mRoot.Add(image);
    }
    ~BenchScene() {
        for (auto& image : mImages) {
            auto* curve = static_cast<Tarn::Objects::Polyline<float>*>(image->mCurve);
            delete curve->mRelated;
            delete curve;
            delete image->mSurface;
            delete image->mAttribute;
        }
    }
    int64_t Objects() const { return int64_t(mImages.size()) * kObjectsPerImage; }
    RootList& Root() { return mRoot; }

private:
    std::vector<std::unique_ptr<Tarn::Objects::Image<float>>> mImages;
    RootList mRoot;
};

} // namespace Tarn::Bench
