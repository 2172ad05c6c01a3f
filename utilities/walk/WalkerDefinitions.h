// The bodies of WalkObjectImpl<T>, for the files that define walkers.
//
// A walker is one overload of WalkMembers, in its area's header of walks (all gathered in walkers/Walks.h), and one
// explicit instantiation in its area's file:
//
//   template <class T> void WalkMembers(Image<T>& image, Walking& walk) {
//       walk.Pointer(image.CurveModel());
//       walk.Pointer(image.SurfaceModel());
//       walk.Pointer(image.ImageAttr());
//   }
//   template class WalkObjectImpl<Image<float>>;   // the exported walker
//
// A type that owns nothing needs no overload: the catch-all below walks nothing, and its Walk books sizeof(T).
// The catch-all takes a const Walking, so for a type whose base has a walker, neither it nor the base's overload is
// the better match: the call is ambiguous and fails to compile until the type says what it walks. A const object
// is walked by its type's walk. A class of namespace std with a destructor of its own owns memory: without a walk
// (utilities/walkers/StdWalks.h has the standard library's) it stops the build, named in StdTypeWithoutWalk<T>,
// rather than being booked as owning nothing.
//
// Types that share one walk form a family, one enabled template for all of them:
//
//   using RelatedOnly = TypeFamily<Point<float>, Point<double>, ...>;
//   template <class P> std::enable_if_t<RelatedOnly::Has<P>> WalkMembers(P& primitive, Walking& walk) { ... }
//
// Types whose walk is exactly one base's walk (the attachable part only, say) are rows of an area's table, with
// one enabled overload for the whole table:
//
//   using DeviceBaseWalks = BaseWalkTable<WalkedAs<IBuffer, AIndexBuffer>, WalkedAs<AAttachable, IBaseRaster>>;
//   template <class T> std::enable_if_t<DeviceBaseWalks::Lists<T>> WalkMembers(T& object, Walking& walk) {
//       walk.Base<DeviceBaseWalks::Of<T>>(object);
//   }
//
// HasOwnWalk<T> tells whether T has a walk of its own (an overload other than the catch-all): a value stored in a
// list is walked in place exactly when it has one.
#pragma once

#include "platform/TypeNames.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/ClassHierarchy.h"
#include "utilities/walk/GraphSteps.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/StackSegments.h"
#include "utilities/walk/Walking.h"

#include <atomic>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace Tarn::Utilities {

// What the catch-all answers, so that HasOwnWalk can tell it from a walk of the type's own.
struct NothingToWalk {};

template <class T> NothingToWalk WalkMembers(T& object, const Walking& walk);

template <class T>
inline constexpr bool HasOwnWalk =
    !std::is_same_v<decltype(WalkMembers(std::declval<T&>(), std::declval<Walking&>())), NothingToWalk>;

// Whether T is a type of namespace std, by the name the compiler gives it ("... [with T = std::vector<int>]").
template <class T> constexpr bool InNamespaceStd() {
    constexpr std::string_view signature = __PRETTY_FUNCTION__;
    constexpr size_t type = signature.find("T = ");
    return type != std::string_view::npos && signature.substr(type + 4, 5) == "std::";
}

// A class of namespace std that releases something when destroyed: it owns memory, unless its walk says otherwise.
template <class T>
inline constexpr bool IsOwningStdType = std::is_class_v<T> && !std::is_trivially_destructible_v<T> && InNamespaceStd<T>();

// Named in the compiler's message when an owning type of namespace std has no walk.
template <class T> struct StdTypeWithoutWalk {
    static_assert(!IsOwningStdType<T>, "this type of namespace std owns memory and has no walk: write one, or leave the "
                                       "member out of the walk if it holds no memory (StdTypeWithoutWalk<T> names it)");
};

// Stops the build when a value of type T, walked as owning nothing, is of an owning type of namespace std.
template <class T> constexpr void ExpectOwnsNothing() {
    static_cast<void>(sizeof(StdTypeWithoutWalk<std::remove_cv_t<std::remove_all_extents_t<T>>>));
}

template <class T> NothingToWalk WalkMembers(T& object, const Walking& walk) {
    using Plain = std::remove_cv_t<T>;
    if constexpr (!std::is_same_v<T, Plain> && HasOwnWalk<Plain>)
        WalkMembers(const_cast<Plain&>(object), const_cast<Walking&>(walk));
    else
        ExpectOwnsNothing<T>();
    return {};
}

template <class... Family> struct TypeFamily {
    template <class T> static constexpr bool Has = (std::is_same_v<T, Family> || ...);
};

// ---- Walks that are exactly a base's walk

template <class B, class... Types> struct WalkedAs {
    using Base = B;
    template <class T> static constexpr bool Has = (std::is_same_v<T, Types> || ...);
};

// The base whose walk is T's, from the rows of one table; void when T is in none.
template <class T, class... Rows> struct BaseWalkOf { using type = void; };
template <class T, class Row, class... Rows> struct BaseWalkOf<T, Row, Rows...> {
    using type = std::conditional_t<Row::template Has<T>, typename Row::Base, typename BaseWalkOf<T, Rows...>::type>;
};

template <class... Rows> struct BaseWalkTable {
    template <class T> using Of = typename BaseWalkOf<T, Rows...>::type;
    template <class T> static constexpr bool Lists = !std::is_void_v<Of<T>>;
};

// What walker memos start from: the pair of no type.
inline const RecordMemory::Pair kNoPair{nullptr, "", "", ~uint32_t(0)};

// The pairs T's walker books under. Each module keeps its own (they are only memos), so that reading them is one
// load, not a lookup through the module's table of shared symbols. Pairs are never freed, so a thread may read one
// that another has just put here.
template <class T> struct WalkerPairs {
    // The pair of the last dynamic type met: a walker mostly meets one dynamic type after another.
    static inline std::atomic<const RecordMemory::Pair*> sLast{&kNoPair};
    // Pairs met before, by dynamic type, so that a walker meeting several types in turn takes no lock.
    static constexpr unsigned kRecentBits = 3;
    static inline std::atomic<const RecordMemory::Pair*> sRecent[1u << kRecentBits] = {};

    // The pair an object of dynamic type `type` is booked under when walked as a T.
    __attribute__((noinline, cold)) static const RecordMemory::Pair& Of(const std::type_info& type) {
        std::atomic<const RecordMemory::Pair*>& recent = sRecent[TypeSlot<kRecentBits>(&type)];
        const RecordMemory::Pair* pair = recent.load(std::memory_order_acquire);
        if (!pair || pair->mDynamicType != &type) {
            pair = &RecordMemory::InternPair(&type, Platform::ReadableName(type), Platform::ReadableNameOf<T>());
            recent.store(pair, std::memory_order_release);
        }
        sLast.store(pair, std::memory_order_release);
        return *pair;
    }
};

// WalkObject of T for an untyped object, for the steps that keep the graph.
template <class T> void WalkObjectOf(void* object, RecordMemory* recorder, size_t& size) {
    WalkObjectImpl<T>::WalkObject(static_cast<T*>(object), recorder, size);
}

// The standard Walk body: marks `object`, walks what it owns on a first visit, then books it under `pair` at `size`
// plus what its walk added. Also for objects booked outside a walker's Walk (an object living in its shared_ptr's
// control block).
template <class T> void WalkAndBook(T* object, const RecordMemory::Pair& pair, size_t size, RecordMemory* recorder) {
    if (__builtin_expect(recorder->KeepsGraph(), false))
        return GraphSteps::Walk(const_cast<void*>(static_cast<const void*>(object)), pair, size, recorder, &WalkObjectOf<T>);
    const bool firstVisit = recorder->MarkVisited(object);
    if (firstVisit) WalkObjectImpl<T>::WalkObject(object, recorder, size);
    recorder->RecordPair(pair, size, firstVisit);
}

template <class T>
void WalkObjectImpl<T>::Walk(void* object, RecordMemory* recorder) {
    if (!object) return;
    if (__builtin_expect(StackSegments::Low(), false)) {
        struct Call {
            WalkObjectImpl* mWalker;
            void* mObject;
            RecordMemory* mRecorder;
        } call{this, object, recorder};
        StackSegments::Run([](void* context) {
            auto* deeper = static_cast<Call*>(context);
            deeper->mWalker->Walk(deeper->mObject, deeper->mRecorder);
        }, &call);
        return;
    }
    T* typed = static_cast<T*>(object);
    const std::type_info& type = DynamicTypeOf(typed);
    const RecordMemory::Pair* pair = WalkerPairs<T>::sLast.load(std::memory_order_acquire);
    if (__builtin_expect(pair->mDynamicType != &type, false)) pair = &WalkerPairs<T>::Of(type);
    WalkAndBook(typed, *pair, sizeof(T), recorder);
}

template <class T>
void WalkObjectImpl<T>::WalkObject(T* object, RecordMemory* recorder, size_t& size) {
    Walking walk(recorder, size);
    WalkMembers(*object, walk);
}

template <class T>
WalkObjectImpl<T>& WalkObjectImpl<T>::Instance() {
    static WalkObjectImpl instance;
    return instance;
}

} // namespace Tarn::Utilities
