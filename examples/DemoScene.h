// The built-in demo scene: a small engine world made of every kind of object the accountant understands,
// scaled by a number of groups. The scene owns everything it builds.
#pragma once

#include "engine/objects/Objects.h"
#include "utilities/memory/RecordMemory.h"

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace Tarn::Demo {

class DemoScene {
public:
    // Roughly `objects` engine objects (at least one group).
    explicit DemoScene(int objects);
    DemoScene(const DemoScene&) = delete;
    DemoScene& operator=(const DemoScene&) = delete;
    ~DemoScene();

    // Walks the scene's roots into `recorder`.
    void Measure(Utilities::RecordMemory& recorder);

    int Groups() const { return mGroups; }

private:
    // An object or a raw block that the scene owns until it is destroyed.
    template <class T, class... Args> T* Make(Args&&... args) {
        T* object = new T(std::forward<Args>(args)...);
        mOwned.emplace_back(object, [](void* owned) { delete static_cast<T*>(owned); });
        return object;
    }
    unsigned char* MakeBlock(size_t bytes);

    void BuildGroup(int index);
    // What a renderer holds of one group: effects, buffers, textures, targets, meshes, lights and fragments.
    void BuildDeviceLayer(int index);

    int mGroups;
    std::vector<std::unique_ptr<void, void (*)(void*)>> mOwned;
    Objects::_ArrayList<Objects::ARefCounted*, Objects::RefCountedLifetime<Objects::ARefCounted*>> mObjects;
    Objects::_ArrayList<Objects::ISpatialNode*, Objects::NoLifetime<Objects::ISpatialNode*>> mSpatialNodes;
    Objects::ListOfPUStrings mNames;
    std::vector<Objects::KString> mLabels;
    std::vector<Objects::ISampleGenerator*> mSampleGenerators;
};

} // namespace Tarn::Demo
