// Run-time type names, behind one choke point.
//
//   NameOf(type)           the type's entry: its type_info and its readable name, one per type for the life of
//                          the process, so a memo may keep a pointer to it
//   ReadableName(type)     the demangled name, "Tarn::Graphics::ARenderNode", "wchar_t const*": what reports show
//   DecoratedName(type)    the mangled name, used as a lookup key. Two classes of anonymous namespaces in two files
//                          may have equal decorated names: whatever is keyed by the name also compares type_infos
//   ReadableNameOf<T>()    ReadableName(typeid(T)), remembered per T
//
// Every returned pointer stays valid for the life of the process, so tables may keep it without copying. All of
// them may be called from several threads at once.
#pragma once

#include "platform/Export.h"

#include <typeinfo>

namespace Tarn::Platform {

struct TypeName {
    const std::type_info* mType;
    const char* mReadable;
};

[[nodiscard]] TARN_API const TypeName& NameOf(const std::type_info& type) noexcept;

[[nodiscard]] inline const char* ReadableName(const std::type_info& type) noexcept { return NameOf(type).mReadable; }

[[nodiscard]] inline const char* DecoratedName(const std::type_info& type) noexcept { return type.name(); }

template <class T> [[nodiscard]] const char* ReadableNameOf() noexcept {
    static const char* const name = ReadableName(typeid(T));
    return name;
}

} // namespace Tarn::Platform
