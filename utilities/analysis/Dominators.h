// Who holds the memory: dominators and retained sizes of an object graph (ObjectGraph.h), from its root.
//
// An object X dominates Y when every path from the root to Y passes through X; Y's immediate dominator is the one
// of its dominators closest to it, so that they form a tree under the root. X's retained bytes are its own and those
// of everything it dominates: what freeing X would free.
//
//   const Dominators dominators(graph);
//   dominators.Idom(node), dominators.Retained(node)
//   const DominatorTree tree(dominators);
//   tree.Walk(node, enter, leave)                 // node's subtree, depth first, without recursion
//   RetainedByGroup(dominators, tree, groups)     // per type, each byte once
//
// The computation is the semi-NCA algorithm (Georgiadis, Tarjan and Werneck, after Lengauer and Tarjan): a
// depth-first numbering, semidominators by path-compressing evaluation in reverse preorder, then each immediate
// dominator as the nearest common ancestor of the node's tree parent and its semidominator. Every loop runs on
// explicit arrays, never by recursion: graphs are ten million nodes deep. Working memory is at most 28 bytes a node
// and 4 an edge beyond the graph (with the results: 12 bytes a node, kept).
//
// Nodes that the root does not reach (no walk makes them, an edited snapshot may) have no dominator, retain their
// own bytes only and are in no subtree and no group's sum.
#pragma once

#include "platform/Export.h"
#include "utilities/analysis/ObjectGraph.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tarn::Utilities {

class TARN_API Dominators {
public:
    static constexpr uint32_t kNone = ~uint32_t(0);

    explicit Dominators(const ObjectGraph& graph);

    size_t NodeCount() const { return mIdom.size(); }
    // kNone for the root and for the nodes it does not reach.
    uint32_t Idom(uint32_t node) const { return mIdom[node]; }
    bool Reachable(uint32_t node) const { return node == 0 || mIdom[node] != kNone; }
    size_t ReachableCount() const { return mReachable; }
    uint64_t Retained(uint32_t node) const { return mRetained[node]; }

private:
    std::vector<uint32_t> mIdom;
    std::vector<uint64_t> mRetained;
    size_t mReachable = 0;
};

// The dominator tree's links: each node's first child and next sibling, children in the order of their numbers.
class TARN_API DominatorTree {
public:
    static constexpr uint32_t kNone = Dominators::kNone;

    explicit DominatorTree(const Dominators& dominators);

    uint32_t FirstChild(uint32_t node) const { return mFirstChild[node]; }
    uint32_t NextSibling(uint32_t node) const { return mNextSibling[node]; }
    std::vector<uint32_t> Children(uint32_t node) const;

    // enter(v) for every node of top's subtree in preorder, leave(v) after its subtree.
    template <class Enter, class Leave> void Walk(uint32_t top, Enter enter, Leave leave) const {
        uint32_t node = top;
        enter(node);
        for (;;) {
            if (mFirstChild[node] != kNone) {
                node = mFirstChild[node];
                enter(node);
                continue;
            }
            for (;;) {
                leave(node);
                if (node == top) return;
                if (mNextSibling[node] != kNone) {
                    node = mNextSibling[node];
                    enter(node);
                    break;
                }
                node = mDominators.Idom(node);
            }
        }
    }

private:
    const Dominators& mDominators;
    std::vector<uint32_t> mFirstChild;
    std::vector<uint32_t> mNextSibling;
};

// Retained bytes per group (a type, say): `groupOf[node]` is the node's group, kNone for none, below `groups`. An
// object dominated by another of its own group is inside that one's retained bytes already and is not added again.
TARN_API std::vector<uint64_t> RetainedByGroup(const Dominators& dominators, const DominatorTree& tree,
                                               const std::vector<uint32_t>& groupOf, size_t groups);

} // namespace Tarn::Utilities
