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
#pragma once

#include "platform/Export.h"

#include <cstddef>

namespace Tarn::Utilities {

class RecordMemory;

class TARN_API IWalkObject {
public:
    virtual void Walk(void* object, RecordMemory* recorder) = 0;

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
