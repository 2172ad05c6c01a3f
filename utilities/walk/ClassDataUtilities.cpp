#include "utilities/walk/ClassDataUtilities.h"

namespace Tarn::Utilities {

Objects::_HashMap<void*, const char*, Objects::_StringHasher<char>>* ClassDataUtilities::mClassDataMap = nullptr;

void* ClassDataUtilities::InternalGetClassData(void*& slot, const char* rawName, void* newData) {
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
