// RecordMemory: the ledger of one measurement.
//
// Walkers ask MarkVisited before they walk an object or book a block, then book the visit under (dynamic type name,
// static type name): RecordObject takes the names, RecordPair a pair of them interned once for the process
// (InternPair), whose small id finds the pair's counters without hashing or comparing names. Bytes and instances
// count once per address, references at every visit. GetResults turns the tables into the tab-separated report:
//
//   Total<TAB>bytes<TAB>instances<TAB>references
//   <dynamic type><TAB>bytes<TAB>instances<TAB>references[<TAB><other static type><TAB>instances]
//   <TAB><TAB><TAB><TAB><further static type><TAB>instances
//
// rows by falling byte total, every line ended by "\r\n", names that are not printable text escaped (NameSpelling.h).
// Names are borrowed: they must outlive the recorder, as run-time type names do.
//
// A recorder may also keep the graph it walks (KeepGraph, MemoryGraph.h): the walk steps then visit and book through
// VisitNode and BookNode, which mark and count exactly as MarkVisited and RecordPair do, so the report is the same.
#pragma once

#include "engine/objects/Containers.h"
#include "engine/objects/Strings.h"
#include "platform/Export.h"
#include "utilities/memory/MemoryGraph.h"
#include "utilities/memory/NameTable.h"
#include "utilities/memory/VisitedSet.h"

#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace Tarn::Utilities {

class TARN_API RecordMemory {
public:
    // The counters of one (dynamic type, static type) pair.
    struct ResolvedData {
        uint64_t mBytes = 0;       // sizes of the pair's first visits
        uint64_t mInstances = 0;   // first visits: distinct addresses first booked under the pair
        uint64_t mReferences = 0;  // every visit
    };

    // The static types through which objects of one dynamic type were booked. The counters are held apart from
    // the table, so that a pointer to them stays good while the table grows.
    struct TypeData {
        TypeData() = default;
        TypeData(const TypeData&) = delete;
        TypeData& operator=(const TypeData&) = delete;
        ~TypeData() { mStaticTypes.ForEach([](const char*, ResolvedData* data) { delete data; }); }
        NameTable<ResolvedData*> mStaticTypes;
    };

    // A pair of names booked together, interned for the life of the process. Never changed once made, so that
    // walkers of several threads may keep and share pointers to it.
    struct Pair {
        const std::type_info* mDynamicType;  // the dynamic type the names are of, for memos keyed by type
        const char* mDynamic;
        const char* mStatic;
        uint32_t mId;  // dense from 0 in the order pairs are first interned
    };

    // The one pair of these names (neither null) for `dynamicType` (which may be null), for the caller's memo to
    // be keyed by. Takes a lock: callers keep the answer.
    static const Pair& InternPair(const std::type_info* dynamicType, const char* dynamicName, const char* staticName);

    RecordMemory();
    RecordMemory(const RecordMemory&) = delete;
    RecordMemory& operator=(const RecordMemory&) = delete;
    ~RecordMemory();

    // True, and remembered, when `address` (never null) was not visited before in this measurement.
    __attribute__((always_inline)) bool MarkVisited(const void* address) { return mVisited.Insert(address); }

    // A hint that `address` will be marked soon: the memory its lookup needs is asked for now.
    void PrefetchVisited(const void* address) const { mVisited.Prefetch(address); }

    // Books one visit. `size` counts only when `firstVisit` is true. Both names must be given: a null name throws
    // std::invalid_argument here, where the faulty caller is on the stack.
    void RecordObject(const char* dynamicTypeName, const char* staticTypeName, size_t size, bool firstVisit) {
        if (__builtin_expect(!dynamicTypeName || !staticTypeName, false)) RefuseNullName("RecordMemory::RecordObject");
        ResolvedData* pair = Recent(dynamicTypeName, staticTypeName);
        if (!pair) pair = Resolve(dynamicTypeName, staticTypeName);
        if (!pair) return;
        if (firstVisit) {
            pair->mBytes += size;
            ++pair->mInstances;
        }
        ++pair->mReferences;
    }

    // RecordObject for an interned pair, by its id.
    void RecordPair(const Pair& pair, size_t size, bool firstVisit) {
        ResolvedData* data = pair.mId < mPairCapacity ? mPairs[pair.mId] : nullptr;
        if (__builtin_expect(!data, false) && !(data = ResolvePair(pair))) return;
        data->mBytes += firstVisit ? size : 0;
        data->mInstances += firstVisit;
        ++data->mReferences;
    }

    // Keeps every visited address in an exact table, none in the bitmap of dense memory: the same answers, slower on
    // large walks; for checking the bitmap against. Before the first visit (std::logic_error after it).
    void KeepAddressesInTable();

    // ---- The kept graph

    // Keeps the graph of every walk from now on; before the first visit (std::logic_error after it, since the graph
    // would lack what was walked before). Bookings by MarkVisited and RecordObject are counted but make no node.
    void KeepGraph();
    bool KeepsGraph() const { return mGraph != nullptr; }
    // Null unless KeepGraph was called.
    const MemoryGraph* Graph() const { return mGraph; }
    MemoryGraph* Graph() { return mGraph; }

    // MarkVisited for a recorder that keeps the graph: a new address becomes a node; every visit adds an edge from
    // the object being walked. Answers the new node, kNone on a repeat visit.
    uint32_t VisitNode(const void* address, bool& firstVisit) {
        firstVisit = MarkVisited(address);
        if (firstVisit) return mGraph->AddNode(address);
        mGraph->AddRepeat(address);
        return MemoryGraph::kNone;
    }
    // RecordPair and RecordObject for a node that VisitNode answered; a first visit books the node too.
    void BookNode(uint32_t node, const Pair& pair, size_t size, bool firstVisit) {
        RecordPair(pair, size, firstVisit);
        if (firstVisit && node != MemoryGraph::kNone)
            mGraph->Book(node, pair.mId, pair.mDynamic, pair.mStatic, size);
    }
    void BookNode(uint32_t node, const char* dynamicTypeName, const char* staticTypeName, size_t size,
                  bool firstVisit) {
        RecordObject(dynamicTypeName, staticTypeName, size, firstVisit);
        if (firstVisit && node != MemoryGraph::kNone)
            mGraph->Book(node, MemoryGraph::kNone, dynamicTypeName, staticTypeName, size);
    }

    // The report; the recorder is not changed, so it may be asked again after further walks. Names that are not
    // printable text are escaped (NameSpelling.h). A report longer than a KStringA holds, kMostReportBytes, is refused
    // with std::length_error before any of it is built.
    Objects::KStringA GetResults() const;
    static constexpr size_t kMostReportBytes = 0x7fffffff;

protected:
    // GetResults refusing a report longer than `mostBytes`, so that tests need not book gigabytes of names.
    Objects::KStringA ResultsWithin(size_t mostBytes) const;

private:
    struct SortTypeResults {
        const char* mTypeName;
        TypeData* mTypeData;
        uint64_t mBytes;
        uint64_t mInstances;
        uint64_t mReferences;
    };
    static int CompareResults(const void* a, const void* b);
    [[noreturn]] static void RefuseNullName(const char* where);

    // Finds or creates the pair through the name tables, comparing names as text.
    ResolvedData* Resolve(const char* dynamicTypeName, const char* staticTypeName);
    // Resolves an interned pair and keeps the answer under its id.
    __attribute__((noinline, cold)) ResolvedData* ResolvePair(const Pair& pair);

    // A memo of pairs by their name pointers, in front of the text-keyed tables, for callers that book by name: a
    // walk books the same few pairs millions of times. Open addressing, filled to half at most.
    struct RecentPair {
        const char* mDynamic;
        const char* mStatic;
        ResolvedData* mData;
    };
    static constexpr unsigned kRecentBits = 9;
    static constexpr size_t kRecentMask = (size_t(1) << kRecentBits) - 1;
    static size_t RecentSlot(const char* dynamicTypeName, const char* staticTypeName) {
        const auto key = reinterpret_cast<uintptr_t>(dynamicTypeName) ^ (reinterpret_cast<uintptr_t>(staticTypeName) >> 3);
        return (key * 0x9E3779B97F4A7C15ull) >> (64 - kRecentBits);
    }
    ResolvedData* Recent(const char* dynamicTypeName, const char* staticTypeName) const {
        for (size_t i = RecentSlot(dynamicTypeName, staticTypeName);; i = (i + 1) & kRecentMask) {
            const RecentPair& recent = mRecent[i];
            if (recent.mDynamic == dynamicTypeName && recent.mStatic == staticTypeName) return recent.mData;
            if (!recent.mDynamic) return nullptr;
        }
    }
    void Remember(const char* dynamicTypeName, const char* staticTypeName, ResolvedData* data);

    NameTable<TypeData*> mTypes;
    VisitedSet mVisited;
    MemoryGraph* mGraph = nullptr;  // owned; tested at every visit, so beside the visited set
    RecentPair mRecent[kRecentMask + 1] = {};
    size_t mRecentCount = 0;
    ResolvedData** mPairs = nullptr;  // by interned pair id; null where this recorder has not booked the pair
    uint32_t mPairCapacity = 0;
};

} // namespace Tarn::Utilities
