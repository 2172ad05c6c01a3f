#include "platform/TypeNames.h"

#include <cxxabi.h>

#include <mutex>
#include <unordered_map>

namespace Tarn::Platform {

const TypeName& NameOf(const std::type_info& type) noexcept {
    // Demangled once per type_info and kept until the process ends. Walkers remember the last pair they booked
    // under, so this is reached only when a walker meets a new dynamic type.
    static std::mutex guard;
    static auto* names = new std::unordered_map<const std::type_info*, TypeName>;
    const std::lock_guard<std::mutex> lock(guard);
    TypeName& entry = (*names)[&type];
    if (!entry.mType) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
        entry = {&type, status == 0 && demangled ? demangled : type.name()};
    }
    return entry;
}

} // namespace Tarn::Platform
