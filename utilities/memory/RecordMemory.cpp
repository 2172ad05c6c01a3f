#include "utilities/memory/RecordMemory.h"

#include "utilities/memory/NameSpelling.h"

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

RecordMemory::RecordMemory() = default;

RecordMemory::~RecordMemory() {
    mTypes.ForEach([](const char*, TypeData* type) { delete type; });
    std::free(mPairs);
    delete mGraph;
}

void RecordMemory::KeepGraph() {
    if (mGraph) return;
    if (mVisited.Count()) throw std::logic_error("RecordMemory::KeepGraph: called after the walk began");
    mGraph = new MemoryGraph;
}

void RecordMemory::KeepAddressesInTable() {
    if (mVisited.Count()) throw std::logic_error("RecordMemory::KeepAddressesInTable: called after the walk began");
    mVisited.KeepInTable();
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
    TypeData*& type = *mTypes.FindOrAdd(dynamicTypeName);
    if (!type) type = new TypeData;
    ResolvedData*& pair = *type->mStaticTypes.FindOrAdd(staticTypeName);
    if (!pair && !(pair = new (std::nothrow) ResolvedData)) return nullptr;
    Remember(dynamicTypeName, staticTypeName, pair);
    return pair;
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

KStringA RecordMemory::GetResults() const { return ResultsWithin(kMostReportBytes); }

// The chained tables the report's order was first defined over: rows in the backward enumeration of 256 buckets
// sorted by bytes, a row's static types in that of 41.
static constexpr uint32_t kTypeBuckets = 256, kStaticTypeBuckets = 41;

KStringA RecordMemory::ResultsWithin(size_t mostBytes) const {
    Objects::_ArrayList<SortTypeResults, NoLifetime<SortTypeResults>> rows(int(mTypes.Count()));
    uint64_t bytes = 0, instances = 0, references = 0;
    mTypes.Backward(kTypeBuckets, [&](const char* name, TypeData* type) {
        SortTypeResults row{name, type, 0, 0, 0};
        type->mStaticTypes.ForEach([&](const char*, const ResolvedData* pair) {
            row.mBytes += pair->mBytes;
            row.mInstances += pair->mInstances;
            row.mReferences += pair->mReferences;
        });
        bytes += row.mBytes;
        instances += row.mInstances;
        references += row.mReferences;
        rows.Add(row);
    });
    if (rows.Count() > 1) std::qsort(rows.mData, size_t(rows.Count()), sizeof(SortTypeResults), CompareResults);

    // The text is written twice by one writer: first only counted, so that a report too long for a KStringA is
    // refused before any of it is built, then into a string of exactly its length.
    const auto write = [&](auto&& add) {
        char numbers[80];
        const auto counts = [&](uint64_t b, uint64_t n, uint64_t r) {
            add(numbers, size_t(Tarn::OS::sprintf(numbers, sizeof numbers, "\t%llu\t%llu\t%llu",
                                                  static_cast<unsigned long long>(b), static_cast<unsigned long long>(n),
                                                  static_cast<unsigned long long>(r))));
        };
        const auto text = [&](const char* piece) { add(piece, std::strlen(piece)); };
        text("Total");
        counts(bytes, instances, references);
        text("\r\n");
        for (int r = rows.Count() - 1; r >= 0; --r) {
            const SortTypeResults& row = rows[r];
            SpellName(row.mTypeName, add);
            counts(row.mBytes, row.mInstances, row.mReferences);
            const char* separator = "\t";
            row.mTypeData->mStaticTypes.Backward(kStaticTypeBuckets, [&](const char* name, const ResolvedData* pair) {
                if (std::strcmp(name, row.mTypeName) == 0) return;
                text(separator);
                SpellName(name, add);
                add(numbers, size_t(Tarn::OS::sprintf(numbers, sizeof numbers, "\t%llu",
                                                      static_cast<unsigned long long>(pair->mInstances))));
                separator = "\r\n\t\t\t\t";
            });
            text("\r\n");
        }
    };
    size_t length = 0;
    write([&](const char*, size_t piece) { length += piece; });
    if (length > mostBytes)
        throw std::length_error("RecordMemory::GetResults: the report would be " + std::to_string(length) +
                                " bytes, more than the " + std::to_string(mostBytes) + " a report may have");
    std::string report;
    report.reserve(length);
    write([&](const char* piece, size_t size) { report.append(piece, size); });
    return KStringA(report.c_str());
}

} // namespace Tarn::Utilities
