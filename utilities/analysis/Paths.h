// Paths from the root: the shortest (fewest edges) by a breadth-first search over an object graph (ObjectGraph.h).
#pragma once

#include "platform/Export.h"
#include "utilities/analysis/ObjectGraph.h"

#include <cstdint>
#include <vector>

namespace Tarn::Utilities {

class TARN_API ShortestPaths {
public:
    explicit ShortestPaths(const ObjectGraph& graph);

    // The nodes from the root to `node`, both included; empty when the root does not reach it.
    std::vector<uint32_t> To(uint32_t node) const;
    // The node before `node` on its path; kNone for the root and for the nodes it does not reach.
    uint32_t Before(uint32_t node) const { return node == 0 || node >= mParent.size() ? ~uint32_t(0) : mParent[node]; }

private:
    std::vector<uint32_t> mParent;  // the node each was first reached from; kNone where never reached
};

} // namespace Tarn::Utilities
