// The walker registry: which walker measures an object reached through a pointer of static type X.
//
//   ClassHierarchy<WalkObjectImpl<X>>::RegisterSubClass(priority, resolver)   at load, one per registered subclass
//   ClassHierarchy<WalkObjectImpl<X>>::GetClassData(object, adjusted)         the walker of the deepest registered
//       class that the object is, with `adjusted` pointing at that class's part; X's own walker when none matches
//   ClassHierarchy<WalkObjectImpl<X>>::Recent(object)                        the cached answer when there is a
//       current one, else null: the part of GetClassData that a walk runs for a type it has met before
//   Registrations<SubClasses<X, S...>, ...>                                  a registration table: a static object
//       that registers each line's S... under its X, in order (the library's own is utilities/walkers/Registrations.cpp)
//   LibraryRegistrations()                                                   how many its table made at load
//
// A search runs the subclass resolvers (run-time down-casts) once per (static type, dynamic type); the answer is
// cached by the dynamic type's decorated name, with the byte offset of the adjustment. Lists and caches are made
// on first use and shared between modules through ClassDataUtilities. The modules whose code (resolvers, walkers) or
// types (names, type_infos) they hold are kept loaded: the loader is asked for that outside the registry's lock, as
// it may be running a module's registrations that wait for the lock.
//
// Several threads may walk at once. A walk reads the cache without a lock: its recent answers are immutable and
// published atomically. Everything that changes the registry (a registration, a search, a new answer, a shared
// list or cache made on first use) holds the registry's lock.
#pragma once

#include "engine/objects/Containers.h"
#include "platform/Export.h"
#include "platform/TypeNames.h"
#include "utilities/walk/ClassDataUtilities.h"
#include "utilities/walk/IWalkObject.h"

#include <cstddef>
#include <cstdint>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>
#include <typeinfo>

namespace Tarn::Utilities {

// Answers the walker of one registered subclass for `object` (the static type's part), setting `adjusted`;
// null, with `adjusted` untouched, when the object is not of that subclass.
using SubClassResolver = IWalkObject* (*)(void* object, void*& adjusted);

struct SubClassPriority {
    int32_t mPriority;
    SubClassResolver mResolver;
    const std::type_info* mSubClass;  // whose resolver it is, when the registration said so
};

// The dynamic type of an object seen as a T: its most-derived class when T has run-time type information, T when not.
template <class T> const std::type_info& DynamicTypeOf(T* object) {
    if constexpr (std::is_polymorphic_v<T>) return typeid(*object);
    else return typeid(T);
}

// One of 2^bits slots, picked by a type_info's address: the slot of a type in the memos that are keyed by type.
template <unsigned kBits> size_t TypeSlot(const std::type_info* type) {
    return (reinterpret_cast<uintptr_t>(type) * 0x9E3779B97F4A7C15ull) >> (64 - kBits);
}

// The walker found for one dynamic type, and the offset from the queried pointer to the pointer it takes.
template <class D>
class ClassDataCache {
public:
    struct OffsetAndClassData {
        D* mClassData;
        ptrdiff_t mOffset;
    };
    // One answer, for one dynamic type: made once, never changed or freed. Types of anonymous namespaces of
    // different files may share a decorated name; their answers are chained under it.
    struct Answer {
        const std::type_info* mType;
        OffsetAndClassData mData;
        const Answer* mSameName;
        uint32_t mRegistrations;  // how many registrations there were when it was found
    };
    using Map = Objects::_HashMap<const Answer*, const char*, Objects::_StringHasher<char>>;

    Map* mMap = nullptr;  // by decorated dynamic-type name; made with 32 buckets at first use

    // Answers already given, by type_info address, so that a repeated type costs no string hash and no lock.
    static constexpr unsigned kRecentBits = 3;
    std::atomic<const Answer*> mRecent[1u << kRecentBits] = {};

    static size_t RecentSlot(const std::type_info* type) { return TypeSlot<kRecentBits>(type); }
};

template <class W>
class ClassHierarchy {
    using X = typename W::Type;

public:
    struct PrioritizedSubClassList {
        Objects::_UnorderedList<SubClassPriority, Objects::NoLifetime<SubClassPriority>> mEntries;
        bool mSorted = true;  // the entries are in ascending priority
    };
    class ClassDataCache : public Utilities::ClassDataCache<IWalkObject> {};
    using Answer = typename ClassDataCache::Answer;

    // False when the list could not grow and the entry was dropped.
    // The module of the resolver stays loaded from now on; every answer cached before is looked up again. A
    // subclass that another module registered here already keeps that first registration: false, nothing added.
    static bool RegisterSubClass(int priority, SubClassResolver resolver, const std::type_info* subclass = nullptr) {
        PrioritizedSubClassList& list = List();
        {
            const std::lock_guard<std::recursive_mutex> lock(ClassDataUtilities::Lock());
            if (subclass)
                for (const SubClassPriority& entry : list.mEntries)
                    if (entry.mSubClass && *entry.mSubClass == *subclass) return false;
            if (!list.mEntries.Add({priority, resolver, subclass})) return false;
            const int count = list.mEntries.Count();
            if (count >= 2 && list.mEntries[count - 2].mPriority > priority) list.mSorted = false;
            ClassDataUtilities::mRegistrations.fetch_add(1, std::memory_order_release);
        }
        Platform::KeepModuleOf(reinterpret_cast<const void*>(resolver));  // asks the loader: not under the lock
        return true;
    }

    // Searches the registered subclasses from the highest priority down; null when none matches.
    static IWalkObject* FindSubClassData(void* object, void*& adjusted) {
        const std::lock_guard<std::recursive_mutex> lock(ClassDataUtilities::Lock());
        PrioritizedSubClassList& list = List();
        if (!list.mSorted) {
            list.mSorted = true;
            std::qsort(list.mEntries.mData, size_t(list.mEntries.Count()), sizeof(SubClassPriority), ComparePriority);
        }
        for (int i = list.mEntries.Count() - 1; i >= 0; --i)
            if (IWalkObject* found = list.mEntries[i].mResolver(object, adjusted)) return found;
        return nullptr;
    }

    // Never null: X's own walker, with `adjusted` = `object`, when no registered subclass matches.
    static IWalkObject* GetClassData(void* object, void*& adjusted) {
        const Answer* answer = Recent(object);
        if (!answer) {
            const std::type_info& type = DynamicType(object);
            // An answer keeps the type's address and its name, and may name X's own walker: their modules stay
            // loaded, so that no other type can take their addresses. Done before the lock, as it asks the loader.
            (void)Platform::NameOf(type);
            Platform::KeepModuleOf(&W::Instance());
            ClassDataCache& cache = Cache();
            answer = Lookup(cache, type, object);
            cache.mRecent[ClassDataCache::RecentSlot(&type)].store(answer, std::memory_order_release);
        }
        adjusted = static_cast<char*>(object) + answer->mData.mOffset;
        return answer->mData.mClassData;
    }

    // The answer for `object` when it is among the recent ones and still current; null when GetClassData must look.
    // Takes no lock and calls nothing. The answer given last comes first: the walker it names, and so the call a walk
    // makes next, is then read from memory that does not wait for the object, whose type only confirms it. A walk
    // does not stall on each object's cache miss before it can go on.
    static const Answer* Recent(void* object) {
        const std::type_info& type = DynamicType(object);
        const uint32_t registrations = ClassDataUtilities::mRegistrations.load(std::memory_order_acquire);
        const Answer* last = sLast.load(std::memory_order_acquire);
        if (__builtin_expect(last->mType == &type && last->mRegistrations == registrations, true)) return last;
        void* cache = sCache.load(std::memory_order_acquire);
        if (!cache) return nullptr;
        const Answer* answer =
            static_cast<ClassDataCache*>(cache)->mRecent[ClassDataCache::RecentSlot(&type)].load(std::memory_order_acquire);
        if (!answer || answer->mType != &type || answer->mRegistrations != registrations) return nullptr;
        sLast.store(answer, std::memory_order_release);
        return answer;
    }

    static PrioritizedSubClassList& List() { return Shared<PrioritizedSubClassList>(sList); }
    static ClassDataCache& Cache() { return Shared<ClassDataCache>(sCache); }

private:
    static const std::type_info& DynamicType(void* object) { return DynamicTypeOf(static_cast<X*>(object)); }

    static const Answer* Lookup(ClassDataCache& cache, const std::type_info& type, void* object) {
        const std::lock_guard<std::recursive_mutex> lock(ClassDataUtilities::Lock());
        if (!cache.mMap) cache.mMap = new typename ClassDataCache::Map(32);
        const char* key = Platform::DecoratedName(type);
        const Answer** named = cache.mMap->FindOrAdd(key, nullptr);
        const uint32_t registrations = ClassDataUtilities::mRegistrations.load(std::memory_order_acquire);
        if (named)
            for (const Answer* answer = *named; answer; answer = answer->mSameName)
                if (*answer->mType == type && answer->mRegistrations == registrations) return answer;
        // A stale answer of the type stays in the chain, behind the new one: a walk may still be reading it.
        void* adjusted = object;
        IWalkObject* walker = FindSubClassData(object, adjusted);
        if (!walker) {
            walker = &W::Instance();
            adjusted = object;
        }
        const ptrdiff_t offset = static_cast<char*>(adjusted) - static_cast<char*>(object);
        auto* answer = new Answer{&type, {walker, offset}, named ? *named : nullptr, registrations};
        if (named) *named = answer;
        return answer;
    }

    // The object shared under S's decorated name, made here and offered to the other modules on first use. A
    // class of an anonymous namespace belongs to one file of one module, and another file's may have the same
    // decorated name: its lists and caches are its own, never offered.
    template <class S> static S& Shared(std::atomic<void*>& slot) {
        if (void* shared = slot.load(std::memory_order_acquire)) return *static_cast<S*>(shared);
        const std::lock_guard<std::recursive_mutex> lock(ClassDataUtilities::Lock());
        if (!slot.load(std::memory_order_relaxed)) {
            auto* fresh = new S;
            void* shared = fresh;
            const char* name = Platform::DecoratedName(typeid(S));
            if (!std::strstr(name, "_GLOBAL__N"))
                if (void* loser = ClassDataUtilities::InternalGetClassData(shared, name, fresh))
                    delete static_cast<S*>(loser);
            slot.store(shared, std::memory_order_release);
        }
        return *static_cast<S*>(slot.load(std::memory_order_relaxed));
    }

    static int ComparePriority(const void* a, const void* b) {
        const int32_t left = static_cast<const SubClassPriority*>(a)->mPriority;
        const int32_t right = static_cast<const SubClassPriority*>(b)->mPriority;
        return left < right ? -1 : left > right ? 1 : 0;
    }

    static inline std::atomic<void*> sList{nullptr};
    static inline std::atomic<void*> sCache{nullptr};
    // The answer Recent gave last, in each module its own (it is only a memo); no type's at first.
    static inline const Answer kNoAnswer{nullptr, {nullptr, 0}, nullptr, 0};
    static inline std::atomic<const Answer*> sLast{&kNoAnswer};
};

// The resolver of subclass S in the hierarchy of X: down-cast, then descend into S's own hierarchy.
template <class X, class S>
IWalkObject* ResolveSubClass(void* object, void*& adjusted) {
    S* cast = dynamic_cast<S*>(static_cast<X*>(object));
    if (!cast) return nullptr;
    adjusted = cast;
    if (IWalkObject* deeper = ClassHierarchy<WalkObjectImpl<S>>::FindSubClassData(cast, adjusted)) return deeper;
    return &WalkObjectImpl<S>::Instance();
}

// Registers S... under X, in order, when constructed. A static type without run-time type information cannot be
// down-cast from, so nothing is registered under it.
template <class X, class... S>
struct SubClasses {
    SubClasses() {
        if constexpr (std::is_polymorphic_v<X>)
            mMade = (int(ClassHierarchy<WalkObjectImpl<X>>::RegisterSubClass(0, &ResolveSubClass<X, S>, &typeid(S))) + ...);
    }
    int mMade = 0;  // registrations in place
};

// A registration table: constructing it registers its lines in order.
template <class... Lines> struct Registrations : Lines... {
    int Made() const { return (Lines::mMade + ...); }
};

// How many subclasses the library's own table registered when it was loaded.
TARN_API int LibraryRegistrations();

} // namespace Tarn::Utilities
