// MemoryGraph: the object graph that one measurement walked, kept by a recorder asked to (RecordMemory::KeepGraph).
//
//   RecordMemory recorder;
//   recorder.KeepGraph();                                  // before the first walk
//   WalkPointer(root, &recorder);
//   const MemoryGraph& graph = *recorder.Graph();
//   for (const MemoryGraph::Booking& booking : graph.FirstBookings()) ...;
//
// Node 0 is the root: no object, where every walk starts. Every other node is one distinct address that the walk
// booked, numbered in the order the walk first reached it, with the names and the bytes of its first booking. An
// edge goes from the object being walked (the root when none is) to the address visited, at every visit, first or
// repeat, so that several edges may join two nodes. Only objects that a walker's Walk visits are ever "being
// walked": a heap block is a leaf; an object walked in place (an embedded member, a list element, a base part) is no
// node of its own, and what it reaches hangs from the object that embeds it.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tarn::Utilities {

class TARN_API MemoryGraph {
public:
    static constexpr uint32_t kRoot = 0;
    static constexpr uint32_t kNone = ~uint32_t(0);

    // The names a node was first booked under.
    struct Kind {
        const char* mDynamic;
        const char* mStatic;
    };
    struct Edge {
        uint32_t mFrom;
        uint32_t mTo;
    };
    // One distinct address as its first booking gave it.
    struct Booking {
        const void* mAddress;
        uint64_t mBytes;
        const char* mDynamicType;
        const char* mStaticType;
    };

    MemoryGraph();

    // With the root.
    size_t NodeCount() const { return mAddresses.size(); }
    const void* Address(uint32_t node) const { return mAddresses[node]; }
    uint64_t Bytes(uint32_t node) const { return mBytes[node]; }
    // An index into Kinds(); kNone for the root and for a node whose booking has not come yet.
    uint32_t KindOf(uint32_t node) const { return mKinds[node]; }
    const std::vector<Kind>& Kinds() const { return mKindNames; }
    // In the order the visits happened.
    const std::vector<Edge>& Edges() const { return mEdges; }

    // The first booking of every booked address, in the order the walk first reached them.
    std::vector<Booking> FirstBookings() const;

    // ---- Kept by the walk (utilities/walk), through the recorder

    // The node of the object being walked: the root outside every walk.
    uint32_t Current() const { return mCurrent; }
    void Current(uint32_t node) { mCurrent = node; }

    // The number the next new node gets.
    uint32_t NextNode() const { return uint32_t(mAddresses.size()); }
    void AddNode(const void* address);
    void AddEdge(uint32_t to) { mEdges.push_back({mCurrent, to}); }
    // The first booking of `node`: by an interned pair's id (kNone when booked by names alone) and its names.
    void Book(uint32_t node, uint32_t pairId, const char* dynamicName, const char* staticName, uint64_t bytes);

private:
    uint32_t KindOfNames(const char* dynamicName, const char* staticName);

    std::vector<const void*> mAddresses;
    std::vector<uint64_t> mBytes;
    std::vector<uint32_t> mKinds;
    std::vector<Edge> mEdges;
    std::vector<Kind> mKindNames;
    std::vector<uint32_t> mKindOfPair;  // by interned pair id; kNone where not met yet
    uint32_t mCurrent = kRoot;
};

} // namespace Tarn::Utilities
