#include "utilities/memory/RecordMemory.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>

namespace Tarn::Utilities {

using Objects::KStringA;
using Objects::NoLifetime;
using Objects::StringBuilderA;

RecordMemory::RecordMemory() : mTypes(256) {}

RecordMemory::~RecordMemory() {
    mTypes.ForEachBackward([](auto& entry) { delete entry.mValue; });
    std::free(mPairs);
    delete mGraph;
}

void RecordMemory::KeepGraph() {
    if (mGraph) return;
    if (mVisited.Count()) throw std::logic_error("RecordMemory::KeepGraph: called after the walk began");
    mGraph = new MemoryGraph;
}

const RecordMemory::Pair& RecordMemory::InternPair(const std::type_info* dynamicType, const char* dynamicName,
                                                   const char* staticName) {
    if (!dynamicName || !staticName) RefuseNullName("RecordMemory::InternPair");
    struct Interned {
        std::mutex mLock;
        std::map<std::tuple<const std::type_info*, const char*, const char*>, const Pair*> mByKey;
        std::deque<Pair> mPairs;  // never moves what it holds
    };
    // Never destroyed: walkers keep pointers to its pairs, and a host may still walk while the process exits.
    static auto* interned = new Interned;
    const std::lock_guard<std::mutex> lock(interned->mLock);
    const Pair*& pair = interned->mByKey[{dynamicType, dynamicName, staticName}];
    if (!pair)
        pair = &interned->mPairs.emplace_back(
            Pair{dynamicType, dynamicName, staticName, uint32_t(interned->mPairs.size())});
    return *pair;
}

RecordMemory::ResolvedData* RecordMemory::ResolvePair(const Pair& pair) {
    ResolvedData* data = Resolve(pair.mDynamic, pair.mStatic);
    if (!data) return nullptr;
    if (pair.mId >= mPairCapacity) {
        uint32_t capacity = mPairCapacity ? mPairCapacity : 64;
        while (capacity <= pair.mId) capacity *= 2;
        auto* grown = static_cast<ResolvedData**>(std::realloc(mPairs, capacity * sizeof(ResolvedData*)));
        if (!grown) return data;  // booked through the name tables; the next visit asks again
        std::memset(grown + mPairCapacity, 0, (capacity - mPairCapacity) * sizeof(ResolvedData*));
        mPairs = grown;
        mPairCapacity = capacity;
    }
    mPairs[pair.mId] = data;
    return data;
}

RecordMemory::ResolvedData* RecordMemory::Resolve(const char* dynamicTypeName, const char* staticTypeName) {
    TypeData** type = mTypes.FindOrAdd(dynamicTypeName, nullptr);
    if (!type) return nullptr;
    if (!*type) *type = new TypeData;
    ResolvedData** pair = (*type)->mStaticTypes.FindOrAdd(staticTypeName, nullptr);
    if (!pair) return nullptr;
    if (!*pair && !(*pair = new (std::nothrow) ResolvedData)) return nullptr;
    Remember(dynamicTypeName, staticTypeName, *pair);
    return *pair;
}

void RecordMemory::Remember(const char* dynamicTypeName, const char* staticTypeName, ResolvedData* data) {
    if (2 * (mRecentCount + 1) > kRecentMask + 1) return;  // keep probes short; the tables still answer
    size_t i = RecentSlot(dynamicTypeName, staticTypeName);
    while (mRecent[i].mDynamic) i = (i + 1) & kRecentMask;
    mRecent[i] = {dynamicTypeName, staticTypeName, data};
    ++mRecentCount;
}

void RecordMemory::RefuseNullName(const char* where) {
    throw std::invalid_argument(std::string(where) + ": a type name is null");
}

int RecordMemory::CompareResults(const void* a, const void* b) {
    const uint64_t left = static_cast<const SortTypeResults*>(a)->mBytes;
    const uint64_t right = static_cast<const SortTypeResults*>(b)->mBytes;
    return left > right ? 1 : left < right ? -1 : 0;
}

KStringA RecordMemory::GetResults() const {
    Objects::_ArrayList<SortTypeResults, NoLifetime<SortTypeResults>> rows(mTypes.Count());
    uint64_t bytes = 0, instances = 0, references = 0;
    mTypes.ForEachBackward([&](auto& type) {
        SortTypeResults row{type.mKey, type.mValue, 0, 0, 0};
        type.mValue->mStaticTypes.ForEachBackward([&](auto& pair) {
            row.mBytes += pair.mValue->mBytes;
            row.mInstances += pair.mValue->mInstances;
            row.mReferences += pair.mValue->mReferences;
        });
        bytes += row.mBytes;
        instances += row.mInstances;
        references += row.mReferences;
        rows.Add(row);
    });
    if (rows.Count() > 1) std::qsort(rows.mData, size_t(rows.Count()), sizeof(SortTypeResults), CompareResults);

    // Names go in whole, however long; only the numbers pass through a buffer, which always holds them.
    StringBuilderA text(256);
    char numbers[80];
    auto counts = [&](uint64_t b, uint64_t n, uint64_t r) {
        Tarn::OS::sprintf(numbers, sizeof numbers, "\t%llu\t%llu\t%llu", static_cast<unsigned long long>(b),
                          static_cast<unsigned long long>(n), static_cast<unsigned long long>(r));
        text.Add(numbers);
    };
    text.Add("Total");
    counts(bytes, instances, references);
    text.Add("\r\n");
    for (int r = rows.Count() - 1; r >= 0; --r) {
        const SortTypeResults& row = rows[r];
        text.Add(row.mTypeName);
        counts(row.mBytes, row.mInstances, row.mReferences);
        const char* separator = "\t";
        row.mTypeData->mStaticTypes.ForEachBackward([&](auto& pair) {
            if (std::strcmp(pair.mKey, row.mTypeName) == 0) return;
            text.Add(separator);
            text.Add(pair.mKey);
            Tarn::OS::sprintf(numbers, sizeof numbers, "\t%llu", static_cast<unsigned long long>(pair.mValue->mInstances));
            text.Add(numbers);
            separator = "\r\n\t\t\t\t";
        });
        text.Add("\r\n");
    }
    return KStringA(text.Text());
}

} // namespace Tarn::Utilities

