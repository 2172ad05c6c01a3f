#include "platform/TypeNames.h"

#include <cxxabi.h>

#include <unordered_map>

namespace Tarn::Platform {

const char* ReadableName(const std::type_info& type) noexcept {
    // Demangled once per type_info and kept until the process ends, so callers may keep the pointer. Walkers
    // remember the last name they asked for, so this is reached only when the dynamic type changes.
    static auto* names = new std::unordered_map<const std::type_info*, const char*>;
    const char*& name = (*names)[&type];
    if (!name) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
        name = status == 0 && demangled ? demangled : type.name();
    }
    return name;
}

} // namespace Tarn::Platform
