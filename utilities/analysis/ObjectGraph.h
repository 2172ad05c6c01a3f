// ObjectGraph: the shape the analyses read, a view of arrays that someone else owns (a MemorySnapshot, a test's).
//
// Node 0 is the root. Node v's successors are mTargets[o(v) .. o(v) + mDegrees[v]), where o(v) is the sum of the
// out-degrees of the nodes before v; mBytes[v] are the node's own bytes.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>

namespace Tarn::Utilities {

class MemorySnapshot;

struct ObjectGraph {
    size_t mNodes = 0;
    const uint32_t* mDegrees = nullptr;
    const uint32_t* mTargets = nullptr;
    size_t mEdges = 0;
    const uint64_t* mBytes = nullptr;
};

// The view of a snapshot's graph; valid while the snapshot is.
TARN_API ObjectGraph GraphOf(const MemorySnapshot& snapshot);

} // namespace Tarn::Utilities
