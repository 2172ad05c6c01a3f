#include "platform/TypeNames.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Tarn::Platform {

namespace {

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

void KeepModuleOf(const void* address) noexcept {
    // The address ranges of the modules kept so far: a library registers hundreds of subclasses at load and meets
    // hundreds of types, all from a handful of modules, and looking a module up by address is slow.
    static std::mutex guard;
    static auto* kept = new std::vector<std::pair<uintptr_t, uintptr_t>>;
    const auto at = reinterpret_cast<uintptr_t>(address);
    {
        const std::lock_guard<std::mutex> lock(guard);
        for (const auto& [low, high] : *kept)
            if (low <= at && at < high) return;
    }
    ModuleSearch search{at, 0, 0, nullptr};
    if (!dl_iterate_phdr(FindModule, &search)) return;  // not in a module: the heap, a stack
    // The program itself has no name here and is never unloaded. Without RTLD_NOLOAD this could load a module;
    // with it, an already loaded one only gains RTLD_NODELETE. Two threads may both get here: that is harmless.
    if (search.mName && *search.mName) dlopen(search.mName, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    const std::lock_guard<std::mutex> lock(guard);
    kept->emplace_back(search.mLow, search.mHigh);
}

const TypeName& NameOf(const std::type_info& type) noexcept {
    // Demangled once per type_info and kept until the process ends. Walkers remember the last pair they booked
    // under, so this is reached only when a walker meets a new dynamic type.
    static std::mutex guard;
    static auto* names = new std::unordered_map<const std::type_info*, TypeName>;
    {
        const std::lock_guard<std::mutex> lock(guard);
        const auto found = names->find(&type);
        if (found != names->end()) return found->second;
    }
    // Kept before anything keeps its address, and outside the lock: the loader may be running a module's
    // initialisers that want a name.
    KeepModuleOf(&type);
    KeepModuleOf(type.name());
    int status = 0;
    char* copy = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (status != 0 || !copy) {
        std::free(copy);
        copy = strdup(type.name());
    }
    const std::lock_guard<std::mutex> lock(guard);
    auto [entry, made] = names->try_emplace(&type, TypeName{&type, copy ? copy : type.name()});  // kept: it stays
    if (!made) std::free(copy);  // another thread named it meanwhile
    return entry->second;
}

} // namespace Tarn::Platform
