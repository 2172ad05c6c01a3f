// NameTable: the recorder's table of type names, growing with the number of names.
//
// Lookup is by text through an open-addressed index that doubles as names arrive, so booking stays constant time
// per name however many distinct names a host brings. The report's order does not depend on it: Backward visits
// the entries exactly as a chained table of a fixed number of buckets enumerates them from its last flat index to
// its first (highest bucket first, the latest entry of a bucket first, a bucket being the engine's string hash
// modulo its count), which is the order the report has always been printed in.
//
//   NameTable<Counters*> table;
//   Counters** value = table.FindOrAdd(name);  // null value when the name is new
//   table.Backward(256, [](const char* name, Counters* value) { ... });
//
// Names are borrowed, never copied, as the recorder borrows them.
#pragma once

#include "engine/objects/Containers.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Tarn::Utilities {

template <class V>
class NameTable {
public:
    size_t Count() const { return mEntries.size(); }

    // The value under `name` (not null), added as V{} when absent. Valid until the next FindOrAdd.
    V* FindOrAdd(const char* name) {
        const uint64_t hash = Hasher::Hash(name);
        if (2 * (mEntries.size() + 1) > mSlots.size()) Grow();
        size_t slot = SlotOf(hash);
        for (; mSlots[slot]; slot = (slot + 1) & (mSlots.size() - 1)) {
            Entry& entry = mEntries[mSlots[slot] - 1];
            if (entry.mHash == hash && Hasher::Equal(entry.mName, name)) return &entry.mValue;
        }
        mEntries.push_back({name, hash, V{}});
        mSlots[slot] = uint32_t(mEntries.size());
        return &mEntries.back().mValue;
    }

    // Visits every (name, value) in the backward enumeration order of a chained table of `buckets` buckets.
    template <class F>
    void Backward(uint32_t buckets, F&& visit) const {
        if (mEntries.size() == 1) return visit(mEntries[0].mName, mEntries[0].mValue);
        std::vector<uint32_t> order(mEntries.size());
        for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const uint64_t bucketA = mEntries[a].mHash % buckets, bucketB = mEntries[b].mHash % buckets;
            return bucketA != bucketB ? bucketA > bucketB : a > b;
        });
        for (uint32_t i : order) visit(mEntries[i].mName, mEntries[i].mValue);
    }

    // Visits every (name, value) in no particular order.
    template <class F>
    void ForEach(F&& visit) const {
        for (const Entry& entry : mEntries) visit(entry.mName, entry.mValue);
    }

private:
    using Hasher = Objects::_StringHasher<char>;
    struct Entry {
        const char* mName;
        uint64_t mHash;
        V mValue;
    };

    // The engine's hash mixes its low bits poorly; the index takes the high bits of its product with a large odd
    // constant.
    size_t SlotOf(uint64_t hash) const { return size_t((hash * 0x9E3779B97F4A7C15ull) >> mShift); }

    void Grow() {
        const size_t size = mSlots.empty() ? 16 : 2 * mSlots.size();
        mShift = 64 - unsigned(__builtin_ctzll(size));
        mSlots.assign(size, 0);
        for (uint32_t i = 0; i < mEntries.size(); ++i) {
            size_t slot = SlotOf(mEntries[i].mHash);
            while (mSlots[slot]) slot = (slot + 1) & (size - 1);
            mSlots[slot] = i + 1;
        }
    }

    std::vector<Entry> mEntries;  // in the order the names first came
    std::vector<uint32_t> mSlots;  // index of an entry plus one; 0 is empty; at most half full
    unsigned mShift = 64;
};

} // namespace Tarn::Utilities
