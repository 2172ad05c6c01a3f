#include "utilities/analysis/Dominators.h"

#include <stdexcept>

namespace Tarn::Utilities {

namespace {

constexpr uint32_t kNone = Dominators::kNone;

template <class T> void Release(std::vector<T>& column) { std::vector<T>().swap(column); }

// The first edge of each node, and one past the last edge of the last.
std::vector<uint32_t> FirstEdges(const ObjectGraph& graph) {
    std::vector<uint32_t> first(graph.mNodes + 1);
    uint64_t at = 0;
    for (size_t node = 0; node < graph.mNodes; ++node) {
        first[node] = uint32_t(at);
        at += graph.mDegrees[node];
    }
    if (at != graph.mEdges || at > kNone) throw std::invalid_argument("Dominators: out-degrees do not add up");
    first[graph.mNodes] = uint32_t(at);
    return first;
}

// Semidominators, by numbers in depth-first preorder. A vertex numbered above `current` has been linked to its tree
// parent; Eval answers, for the path from v up to the root of its linked tree (that root excluded), the vertex of
// least semidominator, compressing the path on the way. The path is kept on `path` rather than by recursion.
class Semidominators {
public:
    Semidominators(const std::vector<uint32_t>& parent, std::vector<uint32_t>& semi)
        : mAncestor(parent), mLabel(parent.size()), mSemi(semi) {
        for (uint32_t v = 0; v < mLabel.size(); ++v) mLabel[v] = mSemi[v] = v;
    }

    void Lower(uint32_t current, uint32_t predecessor) {
        const uint32_t least = Eval(predecessor, current);
        if (mSemi[least] < mSemi[current]) mSemi[current] = mSemi[least];
    }

private:
    uint32_t Eval(uint32_t v, uint32_t current) {
        if (v <= current) return v;
        uint32_t top = v;
        while (mAncestor[top] > current) {
            mPath.push_back(top);
            top = mAncestor[top];
        }
        while (!mPath.empty()) {
            const uint32_t u = mPath.back();
            mPath.pop_back();
            const uint32_t above = mAncestor[u];
            if (mSemi[mLabel[above]] < mSemi[mLabel[u]]) mLabel[u] = mLabel[above];
            mAncestor[u] = mAncestor[above];
        }
        return mLabel[v];
    }

    std::vector<uint32_t> mAncestor;
    std::vector<uint32_t> mLabel;
    std::vector<uint32_t>& mSemi;
    std::vector<uint32_t> mPath;
};

} // namespace

Dominators::Dominators(const ObjectGraph& graph) {
    const size_t nodes = graph.mNodes;
    if (!nodes) return;
    if (nodes >= kNone) throw std::invalid_argument("Dominators: more nodes than 32-bit numbers");

    // Depth-first numbering from the root. `semi` holds each vertex's next edge while the search is on it, and the
    // tree parents lead back up: the search needs no stack.
    std::vector<uint32_t> first = FirstEdges(graph);
    std::vector<uint32_t> number(nodes, kNone), vertex(nodes), parent(nodes), semi(nodes);
    uint32_t reached = 1;
    number[0] = vertex[0] = parent[0] = 0;
    semi[0] = first[0];
    for (uint32_t v = 0;;) {
        const uint32_t node = vertex[v];
        if (semi[v] < first[node + 1]) {
            const uint32_t next = graph.mTargets[semi[v]++];
            if (number[next] != kNone) continue;
            number[next] = reached;
            vertex[reached] = next;
            parent[reached] = v;
            semi[reached] = first[next];
            v = reached++;
            continue;
        }
        if (v == 0) break;
        v = parent[v];
    }
    mReachable = reached;
    vertex.resize(reached);
    parent.resize(reached);
    semi.resize(reached);

    // Predecessors by number, of the vertices reached.
    std::vector<uint32_t> firstPredecessor(size_t(reached) + 1, 0);
    for (size_t node = 0; node < nodes; ++node) {
        if (number[node] == kNone) continue;
        for (uint32_t e = first[node]; e < first[node + 1]; ++e) ++firstPredecessor[number[graph.mTargets[e]] + 1];
    }
    for (uint32_t v = 0; v < reached; ++v) firstPredecessor[v + 1] += firstPredecessor[v];
    std::vector<uint32_t> predecessors(firstPredecessor[reached]);
    for (uint32_t v = 0; v < reached; ++v) semi[v] = firstPredecessor[v];  // a cursor per vertex, for the moment
    for (size_t node = 0; node < nodes; ++node) {
        if (number[node] == kNone) continue;
        for (uint32_t e = first[node]; e < first[node + 1]; ++e)
            predecessors[semi[number[graph.mTargets[e]]]++] = number[node];
    }
    Release(first);
    Release(number);

    {
        Semidominators semidominators(parent, semi);
        for (uint32_t v = reached; v-- > 1;)
            for (uint32_t p = firstPredecessor[v]; p < firstPredecessor[v + 1]; ++p)
                semidominators.Lower(v, predecessors[p]);
    }
    Release(predecessors);
    Release(firstPredecessor);

    // Each immediate dominator, in preorder, is the nearest common ancestor of the tree parent and the
    // semidominator in the dominator tree built so far: `parent` becomes the immediate dominator, in place.
    for (uint32_t v = 1; v < reached; ++v) {
        uint32_t dominator = parent[v];
        while (dominator > semi[v]) dominator = parent[dominator];
        parent[v] = dominator;
    }
    Release(semi);

    mIdom.assign(nodes, kNone);
    for (uint32_t v = 1; v < reached; ++v) mIdom[vertex[v]] = vertex[parent[v]];
    // What a node retains comes up from its dominated nodes: reverse preorder adds each before its dominator's.
    mRetained.assign(graph.mBytes, graph.mBytes + nodes);
    for (uint32_t v = reached; v-- > 1;) mRetained[vertex[parent[v]]] += mRetained[vertex[v]];
}

DominatorTree::DominatorTree(const Dominators& dominators)
    : mDominators(dominators), mFirstChild(dominators.NodeCount(), kNone),
      mNextSibling(dominators.NodeCount(), kNone) {
    for (size_t node = dominators.NodeCount(); node-- > 1;) {
        const uint32_t dominator = dominators.Idom(uint32_t(node));
        if (dominator == kNone) continue;
        mNextSibling[node] = mFirstChild[dominator];
        mFirstChild[dominator] = uint32_t(node);
    }
}

std::vector<uint32_t> DominatorTree::Children(uint32_t node) const {
    std::vector<uint32_t> children;
    for (uint32_t child = mFirstChild[node]; child != kNone; child = mNextSibling[child]) children.push_back(child);
    return children;
}

std::vector<uint64_t> RetainedByGroup(const Dominators& dominators, const DominatorTree& tree,
                                      const std::vector<uint32_t>& groupOf, size_t groups) {
    std::vector<uint64_t> retained(groups, 0);
    std::vector<uint32_t> open(groups, 0);  // how many of the current node's dominators are of each group
    if (!dominators.NodeCount()) return retained;
    tree.Walk(
        0,
        [&](uint32_t node) {
            const uint32_t group = groupOf[node];
            if (group == kNone) return;
            if (open[group]++ == 0) retained[group] += dominators.Retained(node);
        },
        [&](uint32_t node) {
            if (groupOf[node] != kNone) --open[groupOf[node]];
        });
    return retained;
}

} // namespace Tarn::Utilities
