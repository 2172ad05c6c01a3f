// The built-in demo scene: a small engine world made of every kind of object the accountant understands,
// scaled by a number of groups. The scene owns everything it builds.
#pragma once

#include "engine/graphics/Graphics.h"
#include "engine/objects/Objects.h"
#include "utilities/memory/RecordMemory.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
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

    // Walks the scene from the root a host holds, its object manager, into `recorder`.
    void Measure(Utilities::RecordMemory& recorder);

    Graphics::IObjectManager* Root() const { return mManager; }
    Graphics::ConsolidatedWorld* World() const { return mWorld; }
    int Groups() const { return mGroups; }

private:
    // What one group built, for the render graph above it to point at.
    struct Group;

    // An object or a raw block that the scene owns until it is destroyed. Objects are made in zeroed memory, so
    // that their padding holds no stale bytes that a scan of the heap would take for pointers.
    template <class T, class... Args> T* Make(Args&&... args) {
        void* block = std::memset(::operator new(sizeof(T)), 0, sizeof(T));
        try {
            return Own(new (block) T(std::forward<Args>(args)...));
        } catch (...) {
            ::operator delete(block);
            throw;
        }
    }
    template <class T> T* Own(T* object) {
        mOwned.emplace_back(object, [](void* owned) { delete static_cast<T*>(owned); });
        return object;
    }
    unsigned char* MakeBlock(size_t bytes);

    // The object model of one group: images, primitives, clip planes, locales, names.
    void BuildGroup(int index, Group& group);
    // What a renderer holds of one group: effects, buffers, textures, targets, meshes, lights and fragments.
    void BuildDeviceLayer(int index, Group& group);
    // The group's render nodes of every family, in a leaf cell of its own.
    void BuildRenderGraph(int index, Group& group);
    // The cells above the groups' leaves, the worlds, the object manager and its queued changes.
    void BuildWorld(std::vector<Group>& groups);

    // The scene's record of what it made is no engine memory: it lives in pages of its own, outside the heap, so
    // that the heap holds what the engine allocated and nothing else.
    template <class T> struct OutsideHeap {
        using value_type = T;
        OutsideHeap() = default;
        template <class U> OutsideHeap(const OutsideHeap<U>&) {}
        T* allocate(size_t count);
        void deallocate(T* pages, size_t count);
        template <class U> bool operator==(const OutsideHeap<U>&) const { return true; }
        template <class U> bool operator!=(const OutsideHeap<U>&) const { return false; }
    };
    using Owned = std::unique_ptr<void, void (*)(void*)>;

    int mGroups;
    std::vector<Owned, OutsideHeap<Owned>> mOwned;
    Graphics::PersistentObjectManager* mManager = nullptr;
    Graphics::ConsolidatedWorld* mWorld = nullptr;
};

} // namespace Tarn::Demo
