// Views of a snapshot (utilities/memory/MemorySnapshot.h): who holds the memory.
//
//   Owners        the objects that retain the most, with what they retain
//   RetainedTypes per type, the bytes of its objects beside the bytes they retain
//   Paths         the shortest path from the root to each object of a type, or at an address
//   Tree          the dominator tree, indented, children by falling retained bytes
//   OwnerTreemap  an SVG picture nested as the dominator tree nests
//
// One SnapshotAnalysis computes the dominators once for all of them.
#pragma once

#include "utilities/analysis/Dominators.h"
#include "utilities/memory/MemorySnapshot.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Tarn::Utilities {

struct SnapshotAnalysis {
    explicit SnapshotAnalysis(MemorySnapshot snapshot);
    // The tree refers to the dominators beside it: a moved analysis builds its tree again over its own.
    SnapshotAnalysis(SnapshotAnalysis&& other)
        : mSnapshot(std::move(other.mSnapshot)), mDominators(std::move(other.mDominators)), mTree(mDominators) {}
    SnapshotAnalysis(const SnapshotAnalysis&) = delete;
    SnapshotAnalysis& operator=(const SnapshotAnalysis&) = delete;

    // Bytes of the nodes that the root does not reach, and how many.
    uint64_t UnreachableBytes() const;
    // The node's dynamic type, as an index into the snapshot's names; kNone for the root and unbooked nodes.
    uint32_t TypeOf(uint32_t node) const;

    MemorySnapshot mSnapshot;
    Dominators mDominators;
    DominatorTree mTree;
};

// "0x" and the address in hexadecimal.
std::string AddressText(uint64_t address);
// The address that `text` ("0x55d0a1b2", or without "0x") writes, or nothing.
std::optional<uint64_t> ParseAddress(std::string_view text);

std::string Owners(const SnapshotAnalysis& analysis, size_t top);
std::string RetainedTypes(const SnapshotAnalysis& analysis, size_t top);
// The objects of dynamic type `type`, or the one at `address`, largest retained first, `max` of them at most;
// empty when none matches.
std::vector<uint32_t> Matching(const SnapshotAnalysis& analysis, const std::optional<std::string>& type,
                               const std::optional<uint64_t>& address);
std::string Paths(const SnapshotAnalysis& analysis, const std::vector<uint32_t>& objects, size_t max);
// Whether `a` comes before `b` among objects by falling retained bytes, equal ones in the order the walk reached them.
bool RetainsMore(const SnapshotAnalysis& analysis, uint32_t a, uint32_t b);
// A node's children as the dominator tree shows them: in the order of RetainsMore, the first `top` and those after
// them that `enough` keeps, up to the first it does not (`tree` keeps those retaining at least its --min); the others
// are folded into one line, "(N more, X bytes)".
struct ShownChildren {
    std::vector<uint32_t> mShown;
    size_t mFolded = 0;
    uint64_t mFoldedBytes = 0;
};
ShownChildren ChildrenShown(const SnapshotAnalysis& analysis, uint32_t node,
                            const std::function<bool(uint32_t child)>& enough, size_t top = 0);
// Down to `depth` levels below the root; children shown as ChildrenShown shows them.
std::string Tree(const SnapshotAnalysis& analysis, size_t depth, uint64_t least);
std::string OwnerTreemap(const SnapshotAnalysis& analysis);

} // namespace Tarn::Utilities
