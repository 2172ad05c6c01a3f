// The engine's containers.
//
//   _ListBase<T, L>          growable array: mData, mCount, mCapacity; grows to 2n + 2, drops an item it cannot fit
//   _ArrayList, _UnorderedList, _FixedList   list kinds with the same storage
//   _HashTable<KV, K, H>     fixed bucket count, buckets are lists kept in insertion order, never rehashed
//   _HashMap<V, K, H>        a table of _KeyValue<V, K>
//   _HashSet<K, H>           a table of keys
//
// Entries of a table are numbered by a flat index that runs through bucket 0 in order, then bucket 1, and so on.
#pragma once

#include "engine/objects/Interfaces.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#pragma GCC visibility push(default)

namespace Tarn::Objects {

// Element lifetime policies. The model keeps ownership outside its lists, so both are tags.
template <class T> struct NoLifetime {};
template <class T> struct RefCountedLifetime {};

template <class T, class L>
class _ListBase : public IClone {
public:
    _ListBase() = default;
    explicit _ListBase(int capacity) { Resize(capacity); }
    _ListBase(const _ListBase& other) { CopyFrom(other); }
    _ListBase& operator=(const _ListBase& other) {
        if (this != &other) {
            Free();
            CopyFrom(other);
        }
        return *this;
    }
    ~_ListBase() override { Free(); }

    // Grows or shrinks the array to `capacity` slots; false when the memory cannot be had.
    virtual bool Resize(int capacity) {
        if (capacity < mCount) return false;
        T* fresh = nullptr;
        if (capacity > 0) {
            fresh = static_cast<T*>(::operator new(sizeof(T) * static_cast<size_t>(capacity), std::nothrow));
            if (!fresh) return false;
        }
        for (int i = 0; i < mCount; ++i) {
            new (fresh + i) T(std::move(mData[i]));
            mData[i].~T();
        }
        // Free slots hold zeros rather than what the allocator left there, which a scan of the heap would take
        // for pointers.
        if (capacity > mCount) std::memset(static_cast<void*>(fresh + mCount), 0, sizeof(T) * size_t(capacity - mCount));
        ::operator delete(mData);
        mData = fresh;
        mCapacity = capacity;
        return true;
    }

    // Appends; when full, first grows to twice the count plus two. An item that does not fit is dropped. The item
    // may be an element of this list: it is copied before the array it lives in is freed.
    bool Add(const T& item) {
        if (mCount < mCapacity) {
            new (mData + mCount) T(item);
        } else {
            T copy(item);
            if (!Resize(2 * mCount + 2)) return false;
            new (mData + mCount) T(std::move(copy));
        }
        ++mCount;
        return true;
    }

    // Removes the element at `index`, moving every later one a place forward.
    void RemoveAt(int index) {
        for (int i = index; i + 1 < mCount; ++i) mData[i] = std::move(mData[i + 1]);
        mData[--mCount].~T();
    }

    // Forgets the elements without releasing the array.
    void SetCount(int count) {
        for (int i = count; i < mCount; ++i) mData[i].~T();
        mCount = count;
    }

    int Count() const { return mCount; }
    int Capacity() const { return mCapacity; }
    T& GetAt(int index) { return mData[index]; }
    const T& GetAt(int index) const { return mData[index]; }
    T& operator[](int index) { return mData[index]; }
    const T& operator[](int index) const { return mData[index]; }
    T* begin() { return mData; }
    T* end() { return mData + mCount; }
    const T* begin() const { return mData; }
    const T* end() const { return mData + mCount; }

    T* mData = nullptr;
    int mCount = 0;
    int mCapacity = 0;

private:
    void Free() {
        SetCount(0);
        ::operator delete(mData);
        mData = nullptr;
        mCapacity = 0;
    }
    void CopyFrom(const _ListBase& other) {
        if (!Resize(other.mCapacity)) return;
        for (const T& item : other) Add(item);
    }
};

template <class T, class L> class _ArrayList : public _ListBase<T, L> {
public:
    using _ListBase<T, L>::_ListBase;
};

template <class T, class L> class _UnorderedList : public _ListBase<T, L> {
public:
    using _ListBase<T, L>::_ListBase;
};

// A list whose array is sized once, at construction: it never grows.
template <class T, class L> class _FixedList : public _ListBase<T, L> {
public:
    explicit _FixedList(int capacity) : _ListBase<T, L>(capacity) {}
    bool Resize(int capacity) override { return this->mData == nullptr && _ListBase<T, L>::Resize(capacity); }
};

// ---- Hashing policies: Hash, Equal, and KeyOf (the key of a stored entry)

template <class T> struct _Hasher {
    static uint64_t Hash(const T& key) {
        if constexpr (std::is_pointer_v<T>) return reinterpret_cast<uintptr_t>(key);
        else return static_cast<uint64_t>(key);
    }
    static bool Equal(const T& a, const T& b) { return a == b; }
    static const T& KeyOf(const T& entry) { return entry; }
};

// Keys are texts: equal when they are one pointer or spell the same characters.
template <class C> struct _StringHasher {
    using Key = const C*;
    static uint64_t Hash(Key text) {
        if (!text) return 0;
        uint64_t h = 1;
        for (; *text; ++text) {
            const int64_t c = std::is_same_v<C, char> ? static_cast<int64_t>(static_cast<signed char>(*text))
                                                      : static_cast<int64_t>(*text);
            h = ((h << 5) | (h >> 59)) + static_cast<uint64_t>(c) + 1;
        }
        return h;
    }
    static bool Equal(Key a, Key b) {
        if (a == b) return true;
        if (!a || !b) return false;
        while (*a && *a == *b) ++a, ++b;
        return *a == *b;
    }
    static const Key& KeyOf(const Key& entry) { return entry; }
};

template <class V, class K> struct _KeyValue {
    K mKey;
    V mValue;
};

template <class V, class K, class H> struct _KeyValueHasher {
    static uint64_t Hash(const K& key) { return H::Hash(key); }
    static bool Equal(const K& a, const K& b) { return H::Equal(a, b); }
    static const K& KeyOf(const _KeyValue<V, K>& entry) { return entry.mKey; }
};

template <class KV, class K, class H>
class _HashTable : public IClone {
public:
    class ValueList : public _ArrayList<KV, NoLifetime<KV>> {};

    // The buckets are one block of exactly mBucketCount lists: made in place rather than by new[], whose cookie
    // (the lists have a destructor) would lie in front of the array, outside the bytes that the array's own
    // address and count describe.
    explicit _HashTable(int bucketCount)
        : mBuckets(static_cast<ValueList*>(::operator new(sizeof(ValueList) * size_t(bucketCount > 0 ? bucketCount : 0)))),
          mBucketCount(uint32_t(bucketCount > 0 ? bucketCount : 0)) {
        for (uint32_t b = 0; b < mBucketCount; ++b) new (mBuckets + b) ValueList;
    }
    _HashTable(const _HashTable&) = delete;
    _HashTable& operator=(const _HashTable&) = delete;
    ~_HashTable() override {
        for (uint32_t b = mBucketCount; b-- > 0;) mBuckets[b].~ValueList();
        ::operator delete(mBuckets);
    }

    int Count() const { return mCount; }
    uint32_t BucketOf(const K& key) const { return static_cast<uint32_t>(H::Hash(key) % uint64_t(mBucketCount)); }

    KV* Find(const K& key) {
        ValueList& bucket = mBuckets[BucketOf(key)];
        for (KV& entry : bucket)
            if (H::Equal(H::KeyOf(entry), key)) return &entry;
        return nullptr;
    }

    // Appends to the end of the key's bucket; null when the bucket cannot grow.
    KV* Add(const KV& entry) {
        ValueList& bucket = mBuckets[BucketOf(H::KeyOf(entry))];
        if (!bucket.Add(entry)) return nullptr;
        ++mCount;
        return &bucket[bucket.Count() - 1];
    }

    // The entry at a flat index.
    KV& GetAt(int index) {
        for (uint32_t b = 0;; ++b) {
            if (index < mBuckets[b].Count()) return mBuckets[b][index];
            index -= mBuckets[b].Count();
        }
    }

    // Visits every entry from the last flat index to the first.
    template <class F> void ForEachBackward(F&& visit) const {
        for (int b = static_cast<int>(mBucketCount) - 1; b >= 0; --b)
            for (int i = mBuckets[b].Count() - 1; i >= 0; --i) visit(mBuckets[b][i]);
    }

    ValueList* mBuckets;
    uint32_t mBucketCount;
    int mCount = 0;
};

template <class V, class K, class H>
class _HashMap : public _HashTable<_KeyValue<V, K>, K, _KeyValueHasher<V, K, H>> {
    using Table = _HashTable<_KeyValue<V, K>, K, _KeyValueHasher<V, K, H>>;

public:
    using Table::Table;

    V* FindValue(const K& key) {
        _KeyValue<V, K>* entry = Table::Find(key);
        return entry ? &entry->mValue : nullptr;
    }
    // The value under `key`, appended with `initial` when absent; null when it could not be added.
    V* FindOrAdd(const K& key, const V& initial) {
        if (V* found = FindValue(key)) return found;
        _KeyValue<V, K>* added = Table::Add({key, initial});
        return added ? &added->mValue : nullptr;
    }
};

template <class K, class H>
class _HashSet : public _HashTable<K, K, H> {
public:
    using _HashTable<K, K, H>::_HashTable;

    // True when the key was not there and has been added.
    bool Insert(const K& key) { return !this->Find(key) && this->Add(key); }
};

} // namespace Tarn::Objects

#pragma GCC visibility pop
