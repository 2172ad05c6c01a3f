// The terminal views of a snapshot: owners, retained bytes per type, paths from the root, the dominator tree.
#include "tools/report/GraphViews.h"

#include "tools/report/ReportViews.h"
#include "tools/report/TextTable.h"
#include "utilities/analysis/Paths.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace Tarn::Utilities {

namespace {

constexpr uint32_t kNone = Dominators::kNone;

std::string Name(const SnapshotAnalysis& analysis, uint32_t node) {
    return MemoryReport::EscapeName(analysis.mSnapshot.DynamicName(node));
}

// Nodes in the order of RetainsMore.
void ByRetained(const SnapshotAnalysis& analysis, std::vector<uint32_t>& nodes, size_t first = SIZE_MAX) {
    const auto larger = [&](uint32_t a, uint32_t b) { return RetainsMore(analysis, a, b); };
    if (first < nodes.size()) {
        std::partial_sort(nodes.begin(), nodes.begin() + ptrdiff_t(first), nodes.end(), larger);
        nodes.resize(first);
    } else {
        std::sort(nodes.begin(), nodes.end(), larger);
    }
}

// The three types of which `owner` retains the most bytes, itself left out.
std::string RetainsMost(const SnapshotAnalysis& analysis, uint32_t owner) {
    std::vector<std::pair<uint64_t, uint32_t>> byType(analysis.mSnapshot.mNames.size() + 1, {0, 0});
    for (size_t t = 0; t < byType.size(); ++t) byType[t].second = uint32_t(t);
    analysis.mTree.Walk(
        owner,
        [&](uint32_t node) {
            if (node == owner) return;
            const uint32_t type = analysis.TypeOf(node);
            byType[type == kNone ? byType.size() - 1 : type].first += analysis.mSnapshot.mBytes[node];
        },
        [](uint32_t) {});
    std::partial_sort(byType.begin(), byType.begin() + ptrdiff_t(std::min<size_t>(3, byType.size())), byType.end(),
                      [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    std::string text;
    for (size_t i = 0; i < 3 && i < byType.size() && byType[i].first; ++i) {
        const uint32_t type = byType[i].second;
        const std::string name =
            type < analysis.mSnapshot.mNames.size() ? MemoryReport::EscapeName(analysis.mSnapshot.mNames[type]) : "(not booked)";
        text += (text.empty() ? "" : ", ") + name + " " + HumanBytes(byType[i].first);
    }
    return text;
}

std::string Unreachable(const SnapshotAnalysis& analysis) {
    const size_t count = analysis.mDominators.NodeCount() - analysis.mDominators.ReachableCount();
    if (!count) return "";
    return "(" + std::to_string(count) + (count == 1 ? " object" : " objects") + " of " +
           HumanBytes(analysis.UnreachableBytes()) + " not reachable from the root)\n";
}

} // namespace

SnapshotAnalysis::SnapshotAnalysis(MemorySnapshot snapshot)
    : mSnapshot(std::move(snapshot)), mDominators(GraphOf(mSnapshot)), mTree(mDominators) {}

uint64_t SnapshotAnalysis::UnreachableBytes() const {
    uint64_t bytes = 0;
    for (uint32_t node = 1; node < mSnapshot.NodeCount(); ++node)
        if (!mDominators.Reachable(node)) bytes += mSnapshot.mBytes[node];
    return bytes;
}

uint32_t SnapshotAnalysis::TypeOf(uint32_t node) const {
    const uint32_t kind = mSnapshot.mNodeKinds[node];
    return kind == MemorySnapshot::kNone ? kNone : mSnapshot.mKinds[kind].mDynamic;
}

std::string AddressText(uint64_t address) {
    char text[24] = "0x";
    return std::string(text, std::to_chars(text + 2, text + sizeof text, address, 16).ptr);
}

std::optional<uint64_t> ParseAddress(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    uint64_t address = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), address, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return address;
}

std::string Owners(const SnapshotAnalysis& analysis, size_t top) {
    const uint64_t total = analysis.mDominators.Retained(0);
    std::vector<uint32_t> owners;
    for (uint32_t node = 1; node < analysis.mSnapshot.NodeCount(); ++node)
        if (analysis.mDominators.Reachable(node)) owners.push_back(node);
    ByRetained(analysis, owners, top ? top : 10);

    std::string text = "The objects that retain the most of the " + HumanBytes(total) + " that the root reaches\n";
    Table table("llrrrl");
    table.Add({"Type", "Address", "Own", "Retained", "Share", "Retains most"});
    for (const uint32_t node : owners)
        table.Add({Name(analysis, node), AddressText(analysis.mSnapshot.mAddresses[node]),
                   HumanBytes(analysis.mSnapshot.mBytes[node]), HumanBytes(analysis.mDominators.Retained(node)),
                   Percent(analysis.mDominators.Retained(node), total), RetainsMost(analysis, node)});
    return text + table.Text() + Unreachable(analysis);
}

std::string RetainedTypes(const SnapshotAnalysis& analysis, size_t top) {
    const MemorySnapshot& snapshot = analysis.mSnapshot;
    const size_t types = snapshot.mNames.size();
    std::vector<uint32_t> typeOf(snapshot.NodeCount());
    std::vector<uint64_t> bytes(types, 0), instances(types, 0);
    for (uint32_t node = 0; node < snapshot.NodeCount(); ++node) {
        typeOf[node] = analysis.TypeOf(node);
        if (typeOf[node] == kNone || !analysis.mDominators.Reachable(node)) continue;
        bytes[typeOf[node]] += snapshot.mBytes[node];
        ++instances[typeOf[node]];
    }
    const std::vector<uint64_t> retained = RetainedByGroup(analysis.mDominators, analysis.mTree, typeOf, types);
    std::vector<uint32_t> order;
    for (uint32_t type = 0; type < types; ++type)
        if (instances[type]) order.push_back(type);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return retained[a] != retained[b] ? retained[a] > retained[b] : bytes[a] > bytes[b];
    });

    const uint64_t total = analysis.mDominators.Retained(0);
    Table table("lrrrr");
    table.Add({"Type", "Instances", "Bytes", "Retained", "Share"});
    table.Add({"Total", std::to_string(analysis.mDominators.ReachableCount() - 1), HumanBytes(total), HumanBytes(total),
               Percent(total, total)});
    const size_t shown = top && top < order.size() ? top : order.size();
    for (size_t i = 0; i < shown; ++i) {
        const uint32_t type = order[i];
        table.Add({MemoryReport::EscapeName(snapshot.mNames[type]), std::to_string(instances[type]), HumanBytes(bytes[type]),
                   HumanBytes(retained[type]), Percent(retained[type], total)});
    }
    if (shown < order.size())
        table.Add({"(" + std::to_string(order.size() - shown) + " more types)", "", "", "", ""});
    return table.Text() + Unreachable(analysis);
}

std::vector<uint32_t> Matching(const SnapshotAnalysis& analysis, const std::optional<std::string>& type,
                               const std::optional<uint64_t>& address) {
    std::vector<uint32_t> found;
    const MemorySnapshot& snapshot = analysis.mSnapshot;
    for (uint32_t node = 1; node < snapshot.NodeCount(); ++node) {
        if (address && snapshot.mAddresses[node] != *address) continue;
        if (type && MemoryReport::EscapeName(snapshot.DynamicName(node)) != *type) continue;
        found.push_back(node);
    }
    ByRetained(analysis, found);
    return found;
}

std::string Paths(const SnapshotAnalysis& analysis, const std::vector<uint32_t>& objects, size_t max) {
    const MemorySnapshot& snapshot = analysis.mSnapshot;
    const ShortestPaths paths(GraphOf(snapshot));
    std::string text;
    const size_t shown = max && max < objects.size() ? max : objects.size();
    for (size_t i = 0; i < shown; ++i) {
        const uint32_t object = objects[i];
        const std::vector<uint32_t> path = paths.To(object);
        if (!text.empty()) text += "\n";
        text += Name(analysis, object) + " at " + AddressText(snapshot.mAddresses[object]) + ", retaining " +
                HumanBytes(analysis.mDominators.Retained(object));
        if (path.empty()) {
            text += ": not reachable from the root\n";
            continue;
        }
        text += ": " + std::to_string(path.size() - 1) + (path.size() == 2 ? " step" : " steps") + " from the root\n";
        Table table("llr");
        for (size_t step = 1; step < path.size(); ++step)
            table.Add({"  " + Name(analysis, path[step]), AddressText(snapshot.mAddresses[path[step]]),
                       HumanBytes(snapshot.mBytes[path[step]])});
        text += table.Text();
    }
    const size_t more = objects.size() - shown;
    if (more) text += "\n(" + std::to_string(more) + (more == 1 ? " more object)\n" : " more objects)\n");
    return text;
}

bool RetainsMore(const SnapshotAnalysis& analysis, uint32_t a, uint32_t b) {
    const uint64_t left = analysis.mDominators.Retained(a), right = analysis.mDominators.Retained(b);
    return left != right ? left > right : a < b;
}

ShownChildren ChildrenShown(const SnapshotAnalysis& analysis, uint32_t node, const std::function<bool(uint32_t)>& enough,
                            size_t top) {
    ShownChildren children{analysis.mTree.Children(node)};
    std::vector<uint32_t>& shown = children.mShown;
    ByRetained(analysis, shown);
    size_t kept = 0;
    while (kept < shown.size() && (kept < top || enough(shown[kept]))) ++kept;
    for (size_t c = kept; c < shown.size(); ++c) children.mFoldedBytes += analysis.mDominators.Retained(shown[c]);
    children.mFolded = shown.size() - kept;
    shown.resize(kept);
    return children;
}

std::string Tree(const SnapshotAnalysis& analysis, size_t depth, uint64_t least) {
    const MemorySnapshot& snapshot = analysis.mSnapshot;
    const uint64_t total = analysis.mDominators.Retained(0);
    Table table("rrrl");
    table.Add({"Retained", "Own", "Share", "Object"});
    // Depth first with an explicit stack; a node's fold line is pushed before its children, to come after them.
    struct Item {
        uint32_t mNode;  // kNone: the fold line of mCount smaller children of mBytes
        size_t mLevel;
        size_t mCount = 0;
        uint64_t mBytes = 0;
    };
    std::vector<Item> stack{{0, 0}};
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        const std::string indent(2 * item.mLevel, ' ');
        if (item.mNode == kNone) {
            table.Add({"", "", "", indent + "(" + std::to_string(item.mCount) + " more, " + std::to_string(item.mBytes) +
                                       " bytes)"});
            continue;
        }
        const uint32_t node = item.mNode;
        const uint64_t retained = analysis.mDominators.Retained(node);
        table.Add({HumanBytes(retained), HumanBytes(snapshot.mBytes[node]), Percent(retained, total),
                   indent + (node ? Name(analysis, node) + " " + AddressText(snapshot.mAddresses[node]) : "(root)")});
        if (item.mLevel >= depth) continue;
        const ShownChildren children =
            ChildrenShown(analysis, node, [&](uint32_t child) { return analysis.mDominators.Retained(child) >= least; });
        if (children.mFolded) stack.push_back({kNone, item.mLevel + 1, children.mFolded, children.mFoldedBytes});
        for (size_t c = children.mShown.size(); c-- > 0;) stack.push_back({children.mShown[c], item.mLevel + 1});
    }
    return table.Text() + Unreachable(analysis);
}

} // namespace Tarn::Utilities
