// Run-time type names, behind one choke point.
//
//   NameOf(type)           the type's entry: its type_info and its readable name, one per type for the life of
//                          the process, so a memo may keep a pointer to it
//   ReadableName(type)     the demangled name, "Tarn::Graphics::ARenderNode", "wchar_t const*": what reports show
//   DecoratedName(type)    the mangled name, used as a lookup key. Two classes of anonymous namespaces in two files
//                          may have equal decorated names: whatever is keyed by the name also compares type_infos
//   ReadableNameOf<T>()    ReadableName(typeid(T)), remembered per T
//   KeepModuleOf(address)  keeps the module that holds `address` loaded for the life of the process
//
// A type_info and its decorated name live in the module that defines the type. Whatever keeps either (the names'
// entries, the registry's answers, the walkers' memos) must not see the module unloaded, or it would keep an address
// that the next module loaded there could reuse for another type. So NameOf keeps the module of every type it is
// asked about, and every memo keyed by a type_info gets the type through NameOf first.
//
// Every returned pointer stays valid for the life of the process, so tables may keep it without copying. All of
// them may be called from several threads at once.
#pragma once

#include "platform/Export.h"

#include <typeinfo>

namespace Tarn::Platform {

struct TypeName {
    const std::type_info* mType;
    const char* mReadable;  // the library's own copy
};

[[nodiscard]] TARN_API const TypeName& NameOf(const std::type_info& type) noexcept;

[[nodiscard]] inline const char* ReadableName(const std::type_info& type) noexcept { return NameOf(type).mReadable; }

[[nodiscard]] inline const char* DecoratedName(const std::type_info& type) noexcept { return type.name(); }

template <class T> [[nodiscard]] const char* ReadableNameOf() noexcept {
    static const char* const name = ReadableName(typeid(T));
    return name;
}

// Asks the loader, so it must not be called while holding a lock that code run by the loader (a module's static
// initialisers) may wait for. Cheap for a module kept before.
TARN_API void KeepModuleOf(const void* address) noexcept;

} // namespace Tarn::Platform
