#include "utilities/analysis/Retention.h"

#include "utilities/analysis/Dominators.h"
#include "utilities/memory/MemorySnapshot.h"
#include "utilities/memory/RecordMemory.h"

#include <algorithm>

namespace Tarn::Utilities {

namespace {

struct Analysis {
    explicit Analysis(const RecordMemory& recorder)
        : mSnapshot(MemorySnapshot::Of(recorder)), mDominators(GraphOf(mSnapshot)) {}

    RetainedObject Object(uint32_t node) const {
        return {std::string(mSnapshot.DynamicName(node)), mSnapshot.mAddresses[node], mSnapshot.mBytes[node],
                mDominators.Retained(node)};
    }

    // The `top` of `nodes` by falling retained bytes, equal ones in the order the walk reached them.
    std::vector<RetainedObject> Largest(std::vector<uint32_t> nodes, size_t top) const {
        const size_t kept = std::min(top, nodes.size());
        std::partial_sort(nodes.begin(), nodes.begin() + ptrdiff_t(kept), nodes.end(), [&](uint32_t a, uint32_t b) {
            const uint64_t left = mDominators.Retained(a), right = mDominators.Retained(b);
            return left != right ? left > right : a < b;
        });
        std::vector<RetainedObject> objects;
        for (size_t i = 0; i < kept; ++i) objects.push_back(Object(nodes[i]));
        return objects;
    }

    MemorySnapshot mSnapshot;
    Dominators mDominators;
};

} // namespace

Retention Retained(const RecordMemory& recorder, size_t top) {
    const Analysis analysis(recorder);
    if (analysis.mSnapshot.NodeCount() < 2) return {};
    constexpr uint32_t kFirst = 1;  // the first node is the first object walked
    return {analysis.mDominators.Retained(kFirst), analysis.Largest(DominatorTree(analysis.mDominators).Children(kFirst), top)};
}

std::vector<RetainedObject> TopOwners(const RecordMemory& recorder, size_t top) {
    const Analysis analysis(recorder);
    std::vector<uint32_t> nodes;
    for (uint32_t node = 1; node < analysis.mSnapshot.NodeCount(); ++node)
        if (analysis.mDominators.Reachable(node)) nodes.push_back(node);
    return analysis.Largest(std::move(nodes), top);
}

} // namespace Tarn::Utilities
