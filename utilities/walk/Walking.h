// The steps a walker is made of.
//
//   WalkPointer(p, recorder)          p (static type X*) walked as the deepest registered class of its object
//   WalkPrefetched(p, recorder)       the same, for a p that Prefetch(p, recorder) asked for a while ago
//   RecordBlock(recorder, p, bytes)   a heap block owned through p, booked under the name of p's type
//   Walking                           the same steps bound to one object's walk: Base, Embedded, Pointer, Pointers,
//                                     Block, BlockAs, Grow
#pragma once

#include "platform/TypeNames.h"
#include "utilities/memory/Prefetch.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/ClassHierarchy.h"
#include "utilities/walk/GraphSteps.h"
#include "utilities/walk/IWalkObject.h"

#include <cstddef>

namespace Tarn::Utilities {

// What a walk will soon need of an object: the object itself (its type is read first) and its visited-set slot.
// Asking early lets several memory misses overlap instead of waiting for each in turn.
inline void Prefetch(const void* object, RecordMemory* recorder) {
    if (!object) return;
    PrefetchToRead(object);
    recorder->PrefetchVisited(object);
}

// WalkPointer for a type not among the recent answers: kept out of line, so that the common case saves no registers.
template <class X> __attribute__((noinline)) void WalkPointerLookingUp(X* pointer, RecordMemory* recorder) {
    void* adjusted = pointer;
    IWalkObject* walker = ClassHierarchy<WalkObjectImpl<X>>::GetClassData(pointer, adjusted);
    walker->Walk(adjusted, recorder);
}

// WalkPointer for a pointer whose object and visited slot were asked for already (Prefetch). A type met before costs
// a few loads, and the walker's call is the last thing done; a new type, or the first walk, looks its walker up out
// of line.
template <class X>
void WalkPrefetched(X* pointer, RecordMemory* recorder) {
    if (!pointer) return;
    if (const auto* answer = ClassHierarchy<WalkObjectImpl<X>>::Recent(pointer))
        return answer->mData.mClassData->Walk(reinterpret_cast<char*>(pointer) + answer->mData.mOffset, recorder);
    WalkPointerLookingUp(pointer, recorder);
}

template <class X>
void WalkPointer(X* pointer, RecordMemory* recorder) {
    if (!pointer) return;
    recorder->PrefetchVisited(pointer);  // the lookup of the type and this slot's miss overlap
    WalkPrefetched(pointer, recorder);
}

// Books a block under one name, as both dynamic and static type; a block reached again adds a reference only.
inline void RecordBlock(RecordMemory* recorder, const void* block, const char* name, size_t bytes) {
    if (!block) return;
    if (__builtin_expect(recorder->KeepsGraph(), false)) return GraphSteps::Book(recorder, block, name, bytes);
    const bool firstVisit = recorder->MarkVisited(block);
    recorder->RecordObject(name, name, bytes, firstVisit);
}

// The pair that blocks named after type N are booked under, as both dynamic and static type.
template <class N> const RecordMemory::Pair& BlockPair() {
    static const RecordMemory::Pair& pair =
        RecordMemory::InternPair(nullptr, Platform::ReadableNameOf<N>(), Platform::ReadableNameOf<N>());
    return pair;
}

// Books a block under the name of type N.
template <class N> void RecordBlockAs(RecordMemory* recorder, const void* block, size_t bytes) {
    if (!block) return;
    if (__builtin_expect(recorder->KeepsGraph(), false)) return GraphSteps::Book(recorder, block, BlockPair<N>(), bytes);
    const bool firstVisit = recorder->MarkVisited(block);
    recorder->RecordPair(BlockPair<N>(), bytes, firstVisit);
}

// The block's name is that of the pointer's type: an array of T is booked as "T*", of X* as "X**".
template <class P>
void RecordBlock(RecordMemory* recorder, P* block, size_t bytes) {
    RecordBlockAs<P*>(recorder, block, bytes);
}

// One object's walk: the recorder and the size that its Walk will book.
class Walking {
public:
    Walking(RecordMemory* recorder, size_t& size) : mRecorder(recorder), mSize(size) {}

    // The part of `object` that is its base B, by B's walker, with the same size.
    template <class B, class T> void Base(T& object) {
        WalkObjectImpl<B>::WalkObject(static_cast<B*>(&object), mRecorder, mSize);
    }
    // A member held by value: what it owns is booked, the member itself is inside the owner's size.
    template <class M> void Embedded(M& member) { WalkObjectImpl<M>::WalkObject(&member, mRecorder, mSize); }
    // A pointer member or accessor result; X is its static type unless given.
    template <class X> void Pointer(X* pointer) { WalkPointer(pointer, mRecorder); }
    // A hint that `object` (an object or a block) is walked or booked soon.
    void Prefetch(const void* object) { Utilities::Prefetch(object, mRecorder); }
    // Several pointers, walked in order; all are asked for first, so that their misses overlap.
    template <class... X> void Pointers(X*... pointers) {
        (Utilities::Prefetch(pointers, mRecorder), ...);
        (WalkPrefetched(pointers, mRecorder), ...);
    }
    template <class P> void Block(P* block, size_t bytes) { RecordBlock(mRecorder, block, bytes); }
    void Block(const void* block, const char* name, size_t bytes) { RecordBlock(mRecorder, block, name, bytes); }
    // A block booked under the name of a type of the engine's or an API's (IDirect3DSurface9, say), not of the
    // pointer that holds it.
    template <class Named> void BlockAs(const void* block, size_t bytes) {
        RecordBlockAs<Named>(mRecorder, block, bytes);
    }
    // Bytes the engine allocates in one piece with the object.
    void Grow(size_t bytes) { mSize += bytes; }

    RecordMemory* Recorder() const { return mRecorder; }

private:
    RecordMemory* mRecorder;
    size_t& mSize;
};

} // namespace Tarn::Utilities
