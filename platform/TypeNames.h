// Run-time type names, behind one choke point.
//
//   ReadableName(type)     the demangled name, "Tarn::Graphics::ARenderNode", "wchar_t const*": what reports show
//   DecoratedName(type)    the mangled name: unique per type, used only as a lookup key
//   ReadableNameOf<T>()    ReadableName(typeid(T)), remembered per T
//
// Every returned pointer stays valid for the life of the process, so tables may keep it without copying.
#pragma once

#include "platform/Export.h"

#include <typeinfo>

namespace Tarn::Platform {

[[nodiscard]] TARN_API const char* ReadableName(const std::type_info& type) noexcept;

[[nodiscard]] inline const char* DecoratedName(const std::type_info& type) noexcept { return type.name(); }

template <class T> [[nodiscard]] const char* ReadableNameOf() noexcept {
    static const char* const name = ReadableName(typeid(T));
    return name;
}

} // namespace Tarn::Platform
