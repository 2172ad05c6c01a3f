#include "tools/report/Page.h"

#include "tools/report/GraphViews.h"
#include "tools/report/JsonRows.h"
#include "tools/report/ReportViews.h"
#include "utilities/analysis/Paths.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace Tarn::Utilities {

namespace {

constexpr std::string_view kDataMarker = "@REPORT_DATA@";

// A report as the viewer reads it: the rows of `tarn_report json`, its name, and each type's namespace as the
// terminal views read it, so that the page groups types exactly as they do.
nlohmann::ordered_json Data(PageReport source) {
    nlohmann::ordered_json data = {{"name", MemoryReport::EscapeName(source.mName)}};
    data.update(JsonRows(source.mReport));
    for (nlohmann::ordered_json& type : data["types"])
        type["namespace"] = NamespaceOf(type["type"].get_ref<const std::string&>());
    return data;
}

// JSON inside a script element: "<", ">" and "&" as \u escapes, so that no name can end the element ("</script>")
// or begin a comment in it. They occur only inside strings, where the escape reads back as the same character.
// Names are spelled as the report spells them, so the text is UTF-8; were a byte not, it would become U+FFFD.
std::string ForScriptElement(const nlohmann::ordered_json& data) {
    const std::string json = data.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string text;
    text.reserve(json.size());
    for (char c : json) {
        switch (c) {
        case '<': text += "\\u003c"; break;
        case '>': text += "\\u003e"; break;
        case '&': text += "\\u0026"; break;
        default: text += c;
        }
    }
    return text;
}

constexpr uint32_t kNone = Dominators::kNone;

// The last of the `count` objects that retain most (in the order of RetainsMore); kNone when there are no more.
// The page opens those objects: an object's dominators retain at least what it retains, so they make a tree under
// the root (were a dominator reached after an object that it dominates and retains no more, it would be left closed
// and the object too).
uint32_t LastOpened(const SnapshotAnalysis& analysis, size_t count) {
    const Dominators& dominators = analysis.mDominators;
    if (dominators.ReachableCount() - 1 <= count) return kNone;
    if (count == 0) return 0;
    const auto before = [&](uint32_t a, uint32_t b) { return RetainsMore(analysis, a, b); };
    std::vector<uint32_t> first;  // the first `count` so far, as a heap with the last of them on top
    first.reserve(count);
    for (uint32_t node = 1; node < dominators.NodeCount(); ++node) {
        if (!dominators.Reachable(node)) continue;
        if (first.size() < count) {
            first.push_back(node);
            std::push_heap(first.begin(), first.end(), before);
        } else if (before(node, first.front())) {
            std::pop_heap(first.begin(), first.end(), before);
            first.back() = node;
            std::push_heap(first.begin(), first.end(), before);
        }
    }
    return first.front();
}

// The nodes the page embeds, in order, with what it says of each.
class Embedded {
public:
    explicit Embedded(const SnapshotAnalysis& analysis) : mAnalysis(analysis) {}

    size_t Size() const { return mNodes.size(); }
    int64_t At(uint32_t node) const {
        const auto found = mAt.find(node);
        return found == mAt.end() ? -1 : int64_t(found->second);
    }

    void Add(uint32_t node, int64_t dominator, size_t more = 0, uint64_t moreBytes = 0) {
        mAt.emplace(node, uint32_t(mNodes.size()));
        mNodes.push_back(node);
        mDominator.push_back(dominator);
        mVia.push_back(-1);
        mMore.push_back(more);
        mMoreBytes.push_back(moreBytes);
    }

    // The dominator tree as the page lists it: the objects up to `last` (in the order of RetainsMore) opened, each
    // with its children as ChildrenShown shows them; a child not opened is embedded with its own children folded.
    void Tree(uint32_t last, size_t top) {
        const Dominators& dominators = mAnalysis.mDominators;
        const auto opened = [&](uint32_t node) {
            return last == kNone || node == last || RetainsMore(mAnalysis, node, last);
        };
        std::vector<std::pair<uint32_t, int64_t>> stack{{0, -1}};  // a node and its dominator's place
        while (!stack.empty()) {
            const auto [node, dominator] = stack.back();
            stack.pop_back();
            if (node != 0 && !opened(node)) {
                size_t children = 0;
                for (uint32_t c = mAnalysis.mTree.FirstChild(node); c != kNone; c = mAnalysis.mTree.NextSibling(c))
                    ++children;
                Add(node, dominator, children, dominators.Retained(node) - mAnalysis.mSnapshot.mBytes[node]);
                continue;
            }
            const ShownChildren children = ChildrenShown(mAnalysis, node, opened, top);
            const int64_t at = int64_t(Size());
            Add(node, dominator, children.mFolded, children.mFoldedBytes);
            for (size_t c = children.mShown.size(); c-- > 0;) stack.push_back({children.mShown[c], at});
        }
    }

    // Every node's shortest path from the root, those retaining most first, as links to the step before; the steps
    // not embedded yet are added, `budget` of them at most: a path that would need more is left out.
    void Paths(size_t budget) {
        const ShortestPaths paths(GraphOf(mAnalysis.mSnapshot));
        std::vector<uint32_t> order(mNodes.begin() + 1, mNodes.end());
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return RetainsMore(mAnalysis, a, b); });
        std::vector<bool> linked(Size(), false);
        linked[0] = true;
        std::vector<uint32_t> steps;  // from the node up, before the first step whose path is known
        for (const uint32_t node : order) {
            if (linked[size_t(At(node))]) continue;
            steps.assign(1, node);
            size_t added = 0;
            int64_t known = -1;
            for (uint32_t step = paths.Before(node); step != kNone; step = paths.Before(step)) {
                const int64_t at = At(step);
                if (at >= 0 && linked[size_t(at)]) {
                    known = at;
                    break;
                }
                if (at < 0 && ++added > budget) break;
                steps.push_back(step);
            }
            if (known < 0) continue;
            budget -= added;
            for (size_t s = steps.size(); s-- > 0;) {
                if (At(steps[s]) < 0) Add(steps[s], -1);
                const size_t at = size_t(At(steps[s]));
                linked.resize(Size(), false);
                linked[at] = true;
                mVia[at] = s + 1 < steps.size() ? At(steps[s + 1]) : known;
            }
        }
    }

    nlohmann::ordered_json Json() const {
        const MemorySnapshot& snapshot = mAnalysis.mSnapshot;
        std::unordered_map<std::string_view, size_t> typeAt;
        nlohmann::ordered_json types = nlohmann::ordered_json::array(), spaces = nlohmann::ordered_json::array();
        nlohmann::ordered_json type = nlohmann::ordered_json::array(), address = type, own = type, retained = type;
        for (const uint32_t node : mNodes) {
            const std::string_view name = snapshot.DynamicName(node);
            const auto [at, added] = typeAt.emplace(name, types.size());
            if (added) {
                std::string spelled = MemoryReport::EscapeName(name);
                spaces.push_back(NamespaceOf(spelled));
                types.push_back(std::move(spelled));
            }
            type.push_back(at->second);
            address.push_back(AddressText(snapshot.mAddresses[node]));
            own.push_back(snapshot.mBytes[node]);
            retained.push_back(mAnalysis.mDominators.Retained(node));
        }
        return {{"types", std::move(types)},
                {"namespaces", std::move(spaces)},
                {"nodes",
                 {{"type", std::move(type)},
                  {"address", std::move(address)},
                  {"own", std::move(own)},
                  {"retained", std::move(retained)},
                  {"dominator", mDominator},
                  {"via", mVia},
                  {"more", mMore},
                  {"more_bytes", mMoreBytes}}}};
    }

private:
    const SnapshotAnalysis& mAnalysis;
    std::vector<uint32_t> mNodes;
    std::unordered_map<uint32_t, uint32_t> mAt;
    std::vector<int64_t> mDominator, mVia;
    std::vector<size_t> mMore;
    std::vector<uint64_t> mMoreBytes;
};

} // namespace

nlohmann::ordered_json GraphData(const SnapshotAnalysis& analysis, const PageLimits& limits) {
    const Dominators& dominators = analysis.mDominators;
    const uint32_t last = LastOpened(analysis, limits.mOwners);
    Embedded embedded(analysis);
    embedded.Tree(last, limits.mTopChildren);
    embedded.Paths(limits.mPathObjects);
    nlohmann::ordered_json data = {
        {"total", dominators.Retained(0)},
        {"objects", dominators.ReachableCount() - 1},
        {"unreachable",
         {{"objects", dominators.NodeCount() - dominators.ReachableCount()}, {"bytes", analysis.UnreachableBytes()}}},
        {"owners", limits.mOwners},
        {"least", last == kNone ? 0 : dominators.Retained(last)},
        {"top", limits.mTopChildren}};
    data.update(embedded.Json());
    return data;
}

std::string Page(PageReport report, const PageReport* before) {
    nlohmann::ordered_json data = {{"kind", report.mGraph ? "snapshot" : "report"}, {"report", Data(report)}};
    if (report.mGraph) data["graph"] = GraphData(*report.mGraph);
    if (before) data["before"] = Data(*before);
    const size_t at = kPageTemplate.find(kDataMarker);
    if (at == std::string_view::npos) throw std::logic_error("the page's template has no place for its data");
    std::string page(kPageTemplate.substr(0, at));
    page += ForScriptElement(data);
    page += kPageTemplate.substr(at + kDataMarker.size());
    return page;
}

} // namespace Tarn::Utilities
