// Column<T>: a growing array of plain values for tables of millions of entries, filled one at a time as a walk goes.
//
// Held in mapped memory that grows by remapping, so that growing copies nothing. Filled in order, it needs no huge
// pages: on this platform a huge page costs more to fault in than the small ones it replaces.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

#include <sys/mman.h>

namespace Tarn::Utilities {

template <class T> class Column {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    Column() = default;
    Column(const Column&) = delete;
    Column& operator=(const Column&) = delete;
    ~Column() {
        if (mData) munmap(mData, mCapacity * sizeof(T));
    }

    void Add(const T& value) {
        if (__builtin_expect(mSize == mCapacity, false)) Grow();
        mData[mSize++] = value;
    }

    size_t Size() const { return mSize; }
    void Clear() { mSize = 0; }
    T& operator[](size_t i) { return mData[i]; }
    const T& operator[](size_t i) const { return mData[i]; }
    const T* Data() const { return mData; }

private:
    static constexpr size_t kFirstBytes = size_t(2) << 20;

    __attribute__((noinline, cold)) void Grow() {
        const size_t bytes = mCapacity ? 2 * mCapacity * sizeof(T) : kFirstBytes;
        void* data = mData ? mremap(mData, mCapacity * sizeof(T), bytes, MREMAP_MAYMOVE)
                           : mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED) throw std::bad_alloc();
        mData = static_cast<T*>(data);
        mCapacity = bytes / sizeof(T);
    }

    T* mData = nullptr;
    size_t mSize = 0;
    size_t mCapacity = 0;
};

} // namespace Tarn::Utilities
