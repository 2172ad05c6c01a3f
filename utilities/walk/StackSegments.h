// Deep walks on any stack: the recursion of a walk goes on on a fresh stack segment when the current one runs low,
// the way some compilers guard their own deep recursion. The order of everything a walk does is unchanged; a walk
// that never runs deep pays one comparison per object.
//
//   if (StackSegments::Low()) return StackSegments::Run(body, context);   // body(context) on a fresh segment
//
// A segment is a mapped block of the same thread, entered and left with a context switch that the sanitizers are
// told about. It is released as soon as the walk on it returns; an exception thrown there is thrown on in the
// caller.
#pragma once

#include "platform/Export.h"

#include <cstdint>

namespace Tarn::Utilities {

class TARN_API StackSegments {
public:
    // Bytes kept free below the deepest walk of a segment: the largest walker's frame, with room to spare.
    static constexpr unsigned long kReserve = 64 * 1024;

    // True when less than kReserve bytes remain on the current stack (or segment) of this thread. The first call on
    // a thread answers true, and Run then learns where the thread's stack ends.
    static bool Low() { return StackPointer() < tLimit; }

    // Calls body(context) on a fresh segment when the stack is low, else directly.
    static void Run(void (*body)(void* context), void* context);

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

    // Where the current stack (or segment) of this thread stops being safe to recurse into. It starts out "low"
    // everywhere, so that the first walk on a thread measures the thread's stack; initialised here, by a constant,
    // so that reading it needs no per-thread initialisation check.
    static inline thread_local uintptr_t tLimit __attribute__((tls_model("initial-exec"))) = ~uintptr_t(0);
};

} // namespace Tarn::Utilities
