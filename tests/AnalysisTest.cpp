// Dominators, retained bytes and shortest paths, checked against their definitions on graphs made to order.
#include "utilities/analysis/Dominators.h"
#include "utilities/analysis/Paths.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace {

using Tarn::Utilities::Dominators;
using Tarn::Utilities::DominatorTree;
using Tarn::Utilities::ObjectGraph;
using Tarn::Utilities::RetainedByGroup;
using Tarn::Utilities::ShortestPaths;

constexpr uint32_t kNone = Dominators::kNone;

// A graph from its edge list, held in the arrays that ObjectGraph views.
struct Graph {
    Graph(uint32_t nodes, const std::vector<std::pair<uint32_t, uint32_t>>& edges) : mDegrees(nodes), mBytes(nodes) {
        std::vector<std::vector<uint32_t>> out(nodes);
        for (auto [from, to] : edges) out[from].push_back(to);
        for (uint32_t node = 0; node < nodes; ++node) {
            mDegrees[node] = uint32_t(out[node].size());
            mTargets.insert(mTargets.end(), out[node].begin(), out[node].end());
            mBytes[node] = node ? 1 + node % 7 : 0;
        }
    }
    ObjectGraph View() const { return {mDegrees.size(), mDegrees.data(), mTargets.data(), mTargets.size(), mBytes.data()}; }

    // The nodes the root reaches when `removed` is taken out of the graph.
    std::vector<bool> Reached(uint32_t removed) const {
        std::vector<uint32_t> first(mDegrees.size() + 1, 0);
        for (size_t node = 0; node < mDegrees.size(); ++node) first[node + 1] = first[node] + mDegrees[node];
        std::vector<bool> reached(mDegrees.size(), false);
        std::vector<uint32_t> stack{0};
        reached[0] = true;
        while (!stack.empty()) {
            const uint32_t node = stack.back();
            stack.pop_back();
            for (uint32_t e = first[node]; e < first[node + 1]; ++e) {
                const uint32_t next = mTargets[e];
                if (next == removed || reached[next]) continue;
                reached[next] = true;
                stack.push_back(next);
            }
        }
        return reached;
    }

    std::vector<uint32_t> mDegrees;
    std::vector<uint32_t> mTargets;
    std::vector<uint64_t> mBytes;
};

// What a random graph is made of: its size, its edges per node, and what it has besides a tree from the root.
struct Shape {
    uint32_t mNodes;
    uint32_t mEdgesPerNode;
    bool mSelfLoops;
    bool mRepeatedEdges;
    uint32_t mUnreachable;  // the last nodes, which only reach each other and the rest
};

class DominatorsByDefinition : public ::testing::TestWithParam<Shape> {};

TEST_P(DominatorsByDefinition, EachNodesDominatorsAreExactlyTheNodesWithoutWhichTheRootLosesIt) {
    const Shape shape = GetParam();
    std::mt19937 random(shape.mNodes * 31 + shape.mEdgesPerNode);
    for (int round = 0; round < 6; ++round) {
        const uint32_t reachable = shape.mNodes - shape.mUnreachable;
        std::vector<std::pair<uint32_t, uint32_t>> edges;
        // A random tree from the root keeps the reachable part reachable; random edges add cycles and shortcuts.
        for (uint32_t node = 1; node < reachable; ++node) edges.push_back({random() % node, node});
        for (uint32_t i = 0; i < shape.mNodes * shape.mEdgesPerNode; ++i) {
            const uint32_t from = random() % shape.mNodes, to = 1 + random() % (shape.mNodes - 1);
            if (from < reachable && to >= reachable) continue;  // the unreachable part stays unreachable
            if (from == to && !shape.mSelfLoops) continue;
            edges.push_back({from, to});
            if (shape.mRepeatedEdges && random() % 4 == 0) edges.push_back({from, to});
        }
        const Graph graph(shape.mNodes, edges);
        const Dominators dominators(graph.View());
        const std::vector<bool> reached = graph.Reached(kNone);

        // dominated[d] holds the nodes that the root reaches no more without d.
        std::vector<std::set<uint32_t>> dominatorsOf(shape.mNodes);
        for (uint32_t d = 1; d < shape.mNodes; ++d) {
            if (!reached[d]) continue;
            const std::vector<bool> without = graph.Reached(d);
            for (uint32_t v = 1; v < shape.mNodes; ++v)
                if (v != d && reached[v] && !without[v]) dominatorsOf[v].insert(d);
        }
        for (uint32_t v = 1; v < shape.mNodes; ++v) {
            ASSERT_EQ(dominators.Reachable(v), bool(reached[v])) << "node " << v;
            if (!reached[v]) {
                EXPECT_EQ(dominators.Idom(v), kNone);
                EXPECT_EQ(dominators.Retained(v), graph.mBytes[v]);
                continue;
            }
            std::set<uint32_t> chain;  // the immediate dominators up to the root
            for (uint32_t d = dominators.Idom(v); d != 0; d = dominators.Idom(d)) chain.insert(d);
            ASSERT_EQ(chain, dominatorsOf[v]) << "node " << v << ", round " << round;
        }
        // Retained bytes: the node's own and those of every node it dominates.
        for (uint32_t d = 1; d < shape.mNodes; ++d) {
            if (!reached[d]) continue;
            uint64_t retained = graph.mBytes[d];
            for (uint32_t v = 1; v < shape.mNodes; ++v) retained += dominatorsOf[v].count(d) ? graph.mBytes[v] : 0;
            EXPECT_EQ(dominators.Retained(d), retained) << "node " << d;
        }
        // By group: the bytes of the nodes that some node of the group dominates or is, each once.
        std::vector<uint32_t> groupOf(shape.mNodes);
        for (uint32_t v = 0; v < shape.mNodes; ++v) groupOf[v] = v ? v % 3 : kNone;
        const std::vector<uint64_t> byGroup = RetainedByGroup(dominators, DominatorTree(dominators), groupOf, 3);
        for (uint32_t group = 0; group < 3; ++group) {
            uint64_t retained = 0;
            for (uint32_t v = 1; v < shape.mNodes; ++v) {
                bool held = reached[v] && groupOf[v] == group;
                for (uint32_t d : dominatorsOf[v]) held = held || groupOf[d] == group;
                retained += held ? graph.mBytes[v] : 0;
            }
            EXPECT_EQ(byGroup[group], retained) << "group " << group;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RandomGraphs, DominatorsByDefinition,
                         ::testing::Values(Shape{2, 0, false, false, 0}, Shape{12, 1, true, true, 0},
                                           Shape{40, 2, true, false, 5}, Shape{120, 1, false, true, 20},
                                           Shape{300, 3, true, true, 30}, Shape{300, 0, false, false, 0}));

TEST(Dominators, AChainOfAMillionIsDominatedLinkByLinkWithoutRecursion) {
    constexpr uint32_t kNodes = 1'000'000;
    std::vector<std::pair<uint32_t, uint32_t>> edges;
    for (uint32_t node = 1; node < kNodes; ++node) edges.push_back({node - 1, node});
    edges.push_back({kNodes - 1, 1});  // and back to the chain's head: a cycle dominates nothing new
    const Graph graph(kNodes, edges);
    const Dominators dominators(graph.View());
    uint64_t total = 0;
    for (uint32_t node = 1; node < kNodes; ++node) total += graph.mBytes[node];
    EXPECT_EQ(dominators.Retained(1), total);
    EXPECT_EQ(dominators.Retained(0), total);
    EXPECT_EQ(dominators.Retained(kNodes - 1), graph.mBytes[kNodes - 1]);
    for (uint32_t node = 1; node < kNodes; ++node) ASSERT_EQ(dominators.Idom(node), node - 1);
    const DominatorTree tree(dominators);
    size_t entered = 0, left = 0;
    tree.Walk(0, [&](uint32_t) { ++entered; }, [&](uint32_t) { ++left; });
    EXPECT_EQ(entered, kNodes);
    EXPECT_EQ(left, kNodes);
}

TEST(ShortestPaths, TakeTheFewestStepsFromTheRootAndNoneToWhatItCannotReach) {
    //  0 -> 1 -> 2 -> 3 -> 4,  0 -> 5 -> 4,  6 -> 4 (6 unreachable)
    const Graph graph(7, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {0, 5}, {5, 4}, {6, 4}});
    const ShortestPaths paths(graph.View());
    EXPECT_EQ(paths.To(4), (std::vector<uint32_t>{0, 5, 4}));
    EXPECT_EQ(paths.To(3), (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(paths.To(0), (std::vector<uint32_t>{0}));
    EXPECT_TRUE(paths.To(6).empty());
}

} // namespace
