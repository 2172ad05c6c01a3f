// Asking for memory before it is needed.
//
// GCC treats __builtin_prefetch as free of side effects: a small inline function that only prefetches is taken for
// a pure function returning nothing, and its calls are deleted before they are inlined. The empty volatile asm
// (which emits no instruction) keeps every prefetch where it is written.
#pragma once

namespace Tarn::Utilities {

// For reading, into every level of cache.
inline void PrefetchToRead(const void* address) {
    __builtin_prefetch(address, 0, 3);
    asm volatile("");
}

// For writing, into every level of cache.
inline void PrefetchToWrite(const void* address) {
    __builtin_prefetch(address, 1, 3);
    asm volatile("");
}

} // namespace Tarn::Utilities
