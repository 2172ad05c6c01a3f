// Named lists of the object model and the smart pointer the engine's queues hold.
#pragma once

#include "engine/Math.h"
#include "engine/objects/Containers.h"
#include "engine/objects/Strings.h"

#pragma GCC visibility push(default)

namespace Tarn::Objects {

class ListOfInts : public _ArrayList<int, NoLifetime<int>> {};

template <class T> class ListOfPoints3D : public _ArrayList<vec3<T>, NoLifetime<vec3<T>>> {};

class ListOfPUStrings : public _ArrayList<UString*, NoLifetime<UString*>> {};

struct SegmentIndexDesc {
    int mFirst = 0;
    int mCount = 0;
};

class SegmentIndexDescList : public _ArrayList<SegmentIndexDesc, NoLifetime<SegmentIndexDesc>> {};

// Holds exactly one pointer; ownership stays with the engine.
template <class T> class AutoPtr {
public:
    AutoPtr(T* pointer = nullptr) : mPointer(pointer) {}
    T* Get() const { return mPointer; }

private:
    T* mPointer;
};

} // namespace Tarn::Objects

#pragma GCC visibility pop
