#include "utilities/walk/ClassDataUtilities.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdint>

namespace Tarn::Utilities {

Objects::_HashMap<void*, const char*, Objects::_StringHasher<char>>* ClassDataUtilities::mClassDataMap = nullptr;

std::atomic<uint32_t> ClassDataUtilities::mRegistrations{0};

namespace {

// The address range of the module last pinned: a library registers hundreds of subclasses at load, all from its
// own code, and looking a module up by address is slow.
uintptr_t gPinnedLow = 0, gPinnedHigh = 0;

struct ModuleSearch {
    uintptr_t mAddress;
    uintptr_t mLow, mHigh;
    const char* mName;
};

int FindModule(dl_phdr_info* module, size_t, void* context) {
    auto* search = static_cast<ModuleSearch*>(context);
    uintptr_t low = UINTPTR_MAX, high = 0;
    for (int i = 0; i < module->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = module->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD) continue;
        low = std::min<uintptr_t>(low, module->dlpi_addr + segment.p_vaddr);
        high = std::max<uintptr_t>(high, module->dlpi_addr + segment.p_vaddr + segment.p_memsz);
    }
    if (search->mAddress < low || search->mAddress >= high) return 0;
    *search = {search->mAddress, low, high, module->dlpi_name};
    return 1;
}

} // namespace

void ClassDataUtilities::PinModuleOf(const void* code) {
    const auto address = reinterpret_cast<uintptr_t>(code);
    if (address >= gPinnedLow && address < gPinnedHigh) return;
    ModuleSearch search{address, 0, 0, nullptr};
    if (!dl_iterate_phdr(FindModule, &search)) return;
    gPinnedLow = search.mLow;
    gPinnedHigh = search.mHigh;
    // The program itself has no name here and is never unloaded. Without RTLD_NOLOAD this could load a module;
    // with it, an already loaded one only gains RTLD_NODELETE.
    if (search.mName && *search.mName) dlopen(search.mName, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
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
