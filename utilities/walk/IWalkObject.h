// The walker interface and the per-type walker template.
//
//   IWalkObject                 one virtual operation, Walk(object, recorder)
//   WalkObjectImpl<T>           the walker of T: the standard Walk body around the static WalkObject, and
//                               one shared instance, Instance(), which the registry hands out
//
// A measurement starts at a root:
//
//   Tarn::Utilities::RecordMemory recorder;
//   Tarn::Utilities::WalkObjectImpl<Tarn::Objects::ARefCounted>::Instance().Walk(root, &recorder);
//   std::fputs(recorder.GetResults(), stdout);
//
// Walk books the object under (its dynamic type's name, T's name) with sizeof(T) plus what WalkObject adds, after
// everything that it owns; a repeated address books one more reference and walks nothing.
//
// Effect parameter values are untyped memory laid out by the parameter's type code; the two statics of
// IWalkObject book them by that code (a block of elements, or one object walked through the registry).
#pragma once

#include "engine/devices/Effects.h"
#include "platform/Export.h"

#include <cstddef>

namespace Tarn::Utilities {

class RecordMemory;

class TARN_API IWalkObject {
public:
    virtual void Walk(void* object, RecordMemory* recorder) = 0;

    // Books `values` (48 bytes, 9 a parameter) and the value of every parameter of `set` that it has, from the
    // last parameter to the first.
    static void WalkParameterValues(Devices::ParameterValues* values, Devices::AParameterSet* set,
                                    RecordMemory* recorder);

    // Books one value of `type`: `count` elements from `value` (fewer than one taken as one), or the object that
    // `value` is.
    static void RecordValue(void* value, Devices::AParameter::EType type, int count, RecordMemory* recorder);

protected:
    ~IWalkObject() = default;  // shared instances are never deleted through the interface
};

template <class T>
class TARN_API WalkObjectImpl final : public IWalkObject {
public:
    using Type = T;

    constexpr WalkObjectImpl() = default;

    void Walk(void* object, RecordMemory* recorder) override;

    // Walks what `object` (never null) owns; adds to `size` the bytes it holds beyond sizeof(T).
    static void WalkObject(T* object, RecordMemory* recorder, size_t& size);

    static WalkObjectImpl& Instance();
};

} // namespace Tarn::Utilities
