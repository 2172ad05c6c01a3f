// Deep walks on any stack: the recursion of a walk goes on on a fresh stack segment when the current one runs low,
// the way some compilers guard their own deep recursion. The order of everything a walk does is unchanged; a walk
// that never runs deep pays two comparisons per object.
//
//   if (StackSegments::Low()) return StackSegments::Run(body, context);   // body(context) on a fresh segment
//
// A segment is a mapped block of the same thread, entered and left with a context switch that the sanitizers are
// told about. It is released as soon as the walk on it returns; an exception thrown there is thrown on in the
// caller.
//
// A walk knows the bounds of three kinds of stack: the thread's own, its segments, and a stack the host names for
// the time it runs there (a job system's fiber: StackSegments::OnStack). A walk that starts anywhere else cannot tell
// how deep it may go, and goes on on a segment at once.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>

namespace Tarn::Utilities {

class TARN_API StackSegments {
public:
    // Bytes kept free below the deepest walk of a segment: the largest walker's frame, with room to spare.
    static constexpr unsigned long kReserve = 64 * 1024;

    // True when the walk must not recurse further here: less than kReserve bytes remain on the current stack, or the
    // current stack is not the one this thread measured last (a fiber's, say). The first call on a thread answers
    // true, and Run then learns where the thread's stack lies.
    static bool Low() { return StackPointer() - tLimit > tSpan; }

    // Calls body(context) directly when the stack it runs on has room, else on a fresh segment.
    static void Run(void (*body)(void* context), void* context);

    // For its lifetime, tells the walks of this thread that [low, low + bytes) is a stack they may run on: a fiber a
    // host switches to, which no thread's bounds describe. Scopes nest; each restores what was named before.
    class TARN_API OnStack {
    public:
        OnStack(const void* low, size_t bytes);
        ~OnStack();
        OnStack(const OnStack&) = delete;
        OnStack& operator=(const OnStack&) = delete;

    private:
        uintptr_t mOuterLow, mOuterHigh;
    };

    // How many segments this thread has entered: for tests.
    static unsigned long SegmentsEntered();

private:
    // Read without a frame pointer, so that the check costs a walker no frame set-up.
    static uintptr_t StackPointer() {
#if defined(__x86_64__)
        uintptr_t sp;
        asm("mov %%rsp, %0" : "=r"(sp));
        return sp;
#else
        return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
#endif
    }

    // The safe part of the stack this thread walks on now: [tLimit, tLimit + tSpan]. A stack pointer below it is
    // low, one above it is on another stack; one unsigned comparison tells both. Empty at first, so that the first
    // walk on a thread finds its stack; initialised by constants, so that reading them needs no per-thread check.
    static inline thread_local uintptr_t tLimit __attribute__((tls_model("initial-exec"))) = 0;
    static inline thread_local uintptr_t tSpan __attribute__((tls_model("initial-exec"))) = 0;
};

} // namespace Tarn::Utilities
