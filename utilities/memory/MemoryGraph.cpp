#include "utilities/memory/MemoryGraph.h"

#include <stdexcept>
#include <unordered_map>

namespace Tarn::Utilities {

MemoryGraph::MemoryGraph() { mNodes.Add({nullptr, 0, kNone, kNone}); }

void MemoryGraph::RefuseNode() { throw std::length_error("MemoryGraph: more objects than node numbers"); }

void MemoryGraph::Book(uint32_t node, uint32_t pairId, const char* dynamicName, const char* staticName,
                       uint64_t bytes) {
    Node& booked = mNodes[node];
    booked.mBytes = bytes;
    if (pairId == kNone) {
        booked.mKind = KindOfNames(dynamicName, staticName);
        return;
    }
    if (pairId >= mKindOfPair.size()) mKindOfPair.resize(size_t(pairId) + 1, kNone);
    uint32_t& kind = mKindOfPair[pairId];
    if (kind == kNone) kind = KindOfNames(dynamicName, staticName);
    booked.mKind = kind;
}

// Few kinds, met mostly through interned pairs: a search is cheap. The same names by other pointers are another
// kind here; the snapshot merges names by their text.
uint32_t MemoryGraph::KindOfNames(const char* dynamicName, const char* staticName) {
    for (size_t k = mKindNames.size(); k-- > 0;)
        if (mKindNames[k].mDynamic == dynamicName && mKindNames[k].mStatic == staticName) return uint32_t(k);
    mKindNames.push_back({dynamicName, staticName});
    return uint32_t(mKindNames.size() - 1);
}

// One pass over the nodes finds the addresses asked for, in a table of those alone.
void MemoryGraph::ResolveEdges() const {
    for (; mResolvedNodes < mNodes.Size(); ++mResolvedNodes)
        if (mNodes[mResolvedNodes].mFrom != kNone) mEdges.Add({mNodes[mResolvedNodes].mFrom, uint32_t(mResolvedNodes)});
    if (!mByAddress.Size()) return;
    std::unordered_map<const void*, uint32_t> nodes;
    for (size_t e = 0; e < mByAddress.Size(); ++e) {
        const EdgeByAddress& edge = mByAddress[e];
        if (edge.mFrom == kNone) nodes.emplace(edge.mFromAddress, kNone);
        if (edge.mTo == kNone) nodes.emplace(edge.mToAddress, kNone);
    }
    for (size_t node = 1; node < mNodes.Size(); ++node) {
        const auto found = nodes.find(mNodes[node].mAddress);
        if (found != nodes.end()) found->second = uint32_t(node);
    }
    for (size_t e = 0; e < mByAddress.Size(); ++e) {
        const EdgeByAddress& edge = mByAddress[e];
        const uint32_t from = edge.mFrom != kNone ? edge.mFrom : nodes[edge.mFromAddress];
        const uint32_t to = edge.mTo != kNone ? edge.mTo : nodes[edge.mToAddress];
        if (from != kNone && to != kNone) mEdges.Add({from, to});
    }
    mByAddress.Clear();
}

std::vector<MemoryGraph::Booking> MemoryGraph::FirstBookings() const {
    std::vector<Booking> bookings;
    bookings.reserve(mNodes.Size() - 1);
    for (size_t node = 1; node < mNodes.Size(); ++node) {
        const Node& booked = mNodes[node];
        if (booked.mKind == kNone) continue;  // reached, but its walk never came back to book it
        const Kind& kind = mKindNames[booked.mKind];
        bookings.push_back({booked.mAddress, booked.mBytes, kind.mDynamic, kind.mStatic});
    }
    return bookings;
}

} // namespace Tarn::Utilities
