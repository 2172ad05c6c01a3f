#include "utilities/walk/ClassDataUtilities.h"

#include <cstdlib>
#include <cstring>

namespace Tarn::Utilities {

Objects::_HashMap<void*, const char*, Objects::_StringHasher<char>>* ClassDataUtilities::mClassDataMap = nullptr;

std::atomic<uint32_t> ClassDataUtilities::mRegistrations{0};

std::recursive_mutex& ClassDataUtilities::Lock() {
    static auto* lock = new std::recursive_mutex;  // never destroyed: registrations may outlive static destruction
    return *lock;
}

void* ClassDataUtilities::InternalGetClassData(void*& slot, const char* rawName, void* newData) {
    const std::lock_guard<std::recursive_mutex> lock(Lock());
    if (!mClassDataMap) mClassDataMap = new Objects::_HashMap<void*, const char*, Objects::_StringHasher<char>>(41);
    void** shared = mClassDataMap->FindValue(rawName);
    if (!shared) {
        char* copy = strdup(rawName);
        shared = copy ? mClassDataMap->FindOrAdd(copy, nullptr) : nullptr;
        if (!shared) std::free(copy);
    }
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
