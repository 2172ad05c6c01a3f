// Objects allocated in one piece with the tables that follow them: one operator new for the object and its
// tables, so that the block the allocator hands out is the object's whole size.
//
//   AAtlas* atlas = AAtlas::Create(entries);    // sizeof(AAtlas) + 80 bytes an entry, one block
//
// A class made so declares TARN_DELETED_IN_ONE_PIECE: its delete expression then hands the whole block back
// without a size (a sized delete would claim sizeof of the class alone).
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#define TARN_DELETED_IN_ONE_PIECE \
    static void operator delete(void* block) { ::operator delete(block); }

namespace Tarn::Objects {

// A T made in a block with `tableBytes` more bytes behind it, all zero to begin with (what the object leaves
// unused holds no stale bytes); T declares TARN_DELETED_IN_ONE_PIECE.
template <class T, class... Args> T* NewInOnePiece(size_t tableBytes, Args&&... args) {
    void* block = std::memset(::operator new(sizeof(T) + tableBytes), 0, sizeof(T) + tableBytes);
    try {
        return new (block) T(std::forward<Args>(args)...);
    } catch (...) {
        ::operator delete(block);
        throw;
    }
}

// Where the tables of a T made by NewInOnePiece begin.
template <class T> unsigned char* TablesOf(T* object) { return reinterpret_cast<unsigned char*>(object) + sizeof(T); }

// `count` entries of E, value-initialised, at `at` (trivially destructible: nothing to destroy later).
template <class E> E* MakeTable(unsigned char* at, size_t count) {
    static_assert(std::is_trivially_destructible_v<E>);
    E* table = reinterpret_cast<E*>(at);
    for (size_t i = 0; i < count; ++i) new (table + i) E();
    return table;
}

// A count of table entries as a size: a negative count has none.
inline size_t Entries(int count) { return count > 0 ? size_t(count) : 0; }

} // namespace Tarn::Objects
