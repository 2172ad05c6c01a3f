// The process-wide map from decorated type name to the one object shared under that name. Every module that
// carries its own copy of the registry templates offers its lists and caches here and uses whichever came first.
#pragma once

#include "engine/objects/Containers.h"
#include "platform/Export.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace Tarn::Utilities {

template <class W> class ClassHierarchy;

class TARN_API ClassDataUtilities {
public:
    ClassDataUtilities& operator=(const ClassDataUtilities&) { return *this; }

    // Decorated name -> shared object; made with 41 buckets at first use, never emptied. Each name is the map's own
    // copy: the module that offered it first may be unloaded.
    static Objects::_HashMap<void*, const char*, Objects::_StringHasher<char>>* mClassDataMap;

    // The registry's one lock, held by everything that changes it: registrations, searches, new cache answers,
    // shared objects made on first use. Walks take it only for what they have not met before.
    static std::recursive_mutex& Lock();

    // Counts the registrations made so far. A cached answer remembers the count it was given at: a registration
    // made later (a plug-in loaded after walks have run) makes every older answer stale, and it is looked up again.
    static std::atomic<uint32_t> mRegistrations;

private:
    template <class W> friend class ClassHierarchy;
    friend struct ClassDataUtilitiesPeer;

    // Offers `newData` as the object shared under `rawName`. Sets `slot` to the object shared from now on and
    // returns the object that the caller must destroy: null when `newData` was adopted, else `newData` itself.
    static void* InternalGetClassData(void*& slot, const char* rawName, void* newData);
};

} // namespace Tarn::Utilities
