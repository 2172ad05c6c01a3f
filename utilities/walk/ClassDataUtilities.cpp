#include "utilities/walk/ClassDataUtilities.h"

#include <dlfcn.h>

namespace Tarn::Utilities {

Objects::_HashMap<void*, const char*, Objects::_StringHasher<char>>* ClassDataUtilities::mClassDataMap = nullptr;

std::atomic<uint32_t> ClassDataUtilities::mRegistrations{0};

void ClassDataUtilities::PinModuleOf(const void* code) {
    Dl_info module;
    if (!dladdr(code, &module) || !module.dli_fname) return;
    // Pinning again does no harm but costs a lookup: the last module pinned is remembered.
    static const void* lastPinned = nullptr;
    if (module.dli_fbase == lastPinned) return;
    lastPinned = module.dli_fbase;
    // Without RTLD_NOLOAD this could load a module; with it, an already loaded one only gains RTLD_NODELETE.
    dlopen(module.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

std::recursive_mutex& ClassDataUtilities::Lock() {
    static auto* lock = new std::recursive_mutex;  // never destroyed: registrations may outlive static destruction
    return *lock;
}

void* ClassDataUtilities::InternalGetClassData(void*& slot, const char* rawName, void* newData) {
    const std::lock_guard<std::recursive_mutex> lock(Lock());
    if (!mClassDataMap) mClassDataMap = new Objects::_HashMap<void*, const char*, Objects::_StringHasher<char>>(41);
    void** shared = mClassDataMap->FindOrAdd(rawName, nullptr);
    if (!shared) {  // the map could not grow: keep the offer to this module
        slot = newData;
        return nullptr;
    }
    void* loser = nullptr;
    if (*shared) loser = newData;
    else *shared = newData;
    slot = *shared;
    return loser;
}

} // namespace Tarn::Utilities
