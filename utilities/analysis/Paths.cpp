#include "utilities/analysis/Paths.h"

#include <algorithm>

namespace Tarn::Utilities {

namespace {
constexpr uint32_t kNone = ~uint32_t(0);
}

ShortestPaths::ShortestPaths(const ObjectGraph& graph) : mParent(graph.mNodes, kNone) {
    if (!graph.mNodes) return;
    std::vector<uint32_t> first(graph.mNodes + 1, 0);
    for (size_t node = 0; node < graph.mNodes; ++node) first[node + 1] = first[node] + graph.mDegrees[node];
    std::vector<uint32_t> queue;
    queue.reserve(graph.mNodes);
    queue.push_back(0);
    mParent[0] = 0;
    for (size_t at = 0; at < queue.size(); ++at) {
        const uint32_t node = queue[at];
        for (uint32_t e = first[node]; e < first[node + 1]; ++e) {
            const uint32_t next = graph.mTargets[e];
            if (mParent[next] != kNone) continue;
            mParent[next] = node;
            queue.push_back(next);
        }
    }
}

std::vector<uint32_t> ShortestPaths::To(uint32_t node) const {
    std::vector<uint32_t> path;
    if (node >= mParent.size() || mParent[node] == kNone) return path;
    for (; node != 0; node = mParent[node]) path.push_back(node);
    path.push_back(0);
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace Tarn::Utilities
