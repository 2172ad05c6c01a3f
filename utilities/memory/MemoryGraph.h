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
// repeat, so that several edges may join two nodes. A repeat visit knows only the address it reached, not its node
// (the visited set keeps no numbers, so that a walk keeping no graph pays nothing for them): such edges are kept by
// address and given their nodes when the edges are asked for. Only objects that a walker's Walk visits are ever "being
// walked": a heap block is a leaf; an object walked in place (an embedded member, a list element, a base part) is no
// node of its own, and what it reaches hangs from the object that embeds it.
#pragma once

#include "platform/Export.h"
#include "utilities/memory/Column.h"

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
    size_t NodeCount() const { return mNodes.Size(); }
    const void* Address(uint32_t node) const { return mNodes[node].mAddress; }
    uint64_t Bytes(uint32_t node) const { return mNodes[node].mBytes; }
    // An index into Kinds(); kNone for the root and for a node whose booking has not come yet.
    uint32_t KindOf(uint32_t node) const { return mNodes[node].mKind; }
    const std::vector<Kind>& Kinds() const { return mKindNames; }
    // Every visit's edge; an edge to or from an address that has no node (marked by MarkVisited alone) is left out.
    size_t EdgeCount() const {
        Resolve();
        return mEdges.Size();
    }
    const Edge& EdgeAt(size_t edge) const { return mEdges[edge]; }

    // The first booking of every booked address, in the order the walk first reached them.
    std::vector<Booking> FirstBookings() const;

    // ---- Kept by the walk (utilities/walk), through the recorder

    // The object being walked: its node, or (kNone) only its address, when a repeat visit made it the object being
    // walked; the root outside every walk.
    struct Walked {
        uint32_t mNode;
        const void* mAddress;
    };
    Walked Current() const { return mCurrent; }
    void Current(Walked walked) { mCurrent = walked; }

    // A first visit: the new node, reached from the object being walked.
    uint32_t AddNode(const void* address) {
        const uint32_t node = uint32_t(mNodes.Size());
        if (__builtin_expect(node >= kNone - 1, false)) RefuseNode();
        mNodes.Add({address, 0, kNone, mCurrent.mNode});
        if (__builtin_expect(mCurrent.mNode == kNone, false)) mByAddress.Add({kNone, node, mCurrent.mAddress, nullptr});
        return node;
    }
    // A repeat visit of `address`.
    void AddRepeat(const void* address) {
        mByAddress.Add({mCurrent.mNode, kNone, mCurrent.mNode == kNone ? mCurrent.mAddress : nullptr, address});
    }
    // The first booking of `node`: by an interned pair's id (kNone when booked by names alone) and its names.
    void Book(uint32_t node, uint32_t pairId, const char* dynamicName, const char* staticName, uint64_t bytes);

private:
    // A first visit's edge is its node's mFrom (kNone when kept by address), so that it costs no room of its own.
    struct Node {
        const void* mAddress;
        uint64_t mBytes;
        uint32_t mKind;
        uint32_t mFrom;
    };

    // An edge with an end known by its address only (kNone).
    struct EdgeByAddress {
        uint32_t mFrom;
        uint32_t mTo;
        const void* mFromAddress;
        const void* mToAddress;
    };

    uint32_t KindOfNames(const char* dynamicName, const char* staticName);
    [[noreturn]] static void RefuseNode();
    // Adds to the edges those of the nodes made since, and of the visits kept by address.
    void Resolve() const {
        if (mResolvedNodes < mNodes.Size() || mByAddress.Size()) ResolveEdges();
    }
    void ResolveEdges() const;

    Column<Node> mNodes;
    mutable Column<Edge> mEdges;
    mutable size_t mResolvedNodes = 1;
    mutable Column<EdgeByAddress> mByAddress;
    std::vector<Kind> mKindNames;
    std::vector<uint32_t> mKindOfPair;  // by interned pair id; kNone where not met yet
    Walked mCurrent{kRoot, nullptr};
};

} // namespace Tarn::Utilities
