#include "utilities/memory/MemoryGraph.h"

#include <stdexcept>

namespace Tarn::Utilities {

MemoryGraph::MemoryGraph() {
    mAddresses.push_back(nullptr);
    mBytes.push_back(0);
    mKinds.push_back(kNone);
}

void MemoryGraph::AddNode(const void* address) {
    if (__builtin_expect(mAddresses.size() >= kNone - 1, false))
        throw std::length_error("MemoryGraph: more objects than node numbers");
    mAddresses.push_back(address);
    mBytes.push_back(0);
    mKinds.push_back(kNone);
}

void MemoryGraph::Book(uint32_t node, uint32_t pairId, const char* dynamicName, const char* staticName,
                       uint64_t bytes) {
    mBytes[node] = bytes;
    if (pairId == kNone) {
        mKinds[node] = KindOfNames(dynamicName, staticName);
        return;
    }
    if (pairId >= mKindOfPair.size()) mKindOfPair.resize(size_t(pairId) + 1, kNone);
    uint32_t& kind = mKindOfPair[pairId];
    if (kind == kNone) kind = KindOfNames(dynamicName, staticName);
    mKinds[node] = kind;
}

// Few kinds, met mostly through interned pairs: a search is cheap. The same names by other pointers are another
// kind here; the snapshot merges names by their text.
uint32_t MemoryGraph::KindOfNames(const char* dynamicName, const char* staticName) {
    for (size_t k = mKindNames.size(); k-- > 0;)
        if (mKindNames[k].mDynamic == dynamicName && mKindNames[k].mStatic == staticName) return uint32_t(k);
    mKindNames.push_back({dynamicName, staticName});
    return uint32_t(mKindNames.size() - 1);
}

std::vector<MemoryGraph::Booking> MemoryGraph::FirstBookings() const {
    std::vector<Booking> bookings;
    bookings.reserve(mAddresses.size() - 1);
    for (size_t node = 1; node < mAddresses.size(); ++node) {
        if (mKinds[node] == kNone) continue;  // reached, but its walk never came back to book it
        const Kind& kind = mKindNames[mKinds[node]];
        bookings.push_back({mAddresses[node], mBytes[node], kind.mDynamic, kind.mStatic});
    }
    return bookings;
}

} // namespace Tarn::Utilities
