// SceneSearch: finding nodes of the browser's tree without building it.
//
// The search walks the engine's world below a root node exactly as SceneNode::ExpandChild would lay it out in
// one view (cells skipped in the logical scene, nodes in the spatial view), depth first in the tree's order, and
// asks the engine for a node's children only when the walk enters them. It answers with a ScenePath, the
// entities of the shown nodes from the top level down, which the dialog opens item by item.
//
//   SceneSearch search(root, logicalScene);
//   ScenePath found;
//   if (search.Find(L"geometry", here, SceneSearch::From::Next, found)) ...  // the next node whose name has it
//   if (search.Locate(entity, found)) ...                                    // where the entity is shown
//
// A node matches when its name ("<0x1a2b3c4d>GeometryNode", the root's own name) or its full address
// ("0x55d01a2b3c4d") contains the text, ignoring case.
#pragma once

#include "engine/objects/Attachable.h"
#include "platform/Export.h"
#include "utilities/browser/SceneNode.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace Tarn::Utilities {

// A shown node by the entities on the way to it: the top-level node first, the node itself last. The root is
// the empty path.
using ScenePath = std::vector<Objects::ISpatialNode*>;

class TARN_API SceneSearch {
public:
    enum class From {
        Here,      // the first match at or after the start: what typing asks for
        Next,      // the first match after the start
        Previous,  // the last match before the start
    };

    // The root's iterator is used, not taken, and must not be in use elsewhere during a call.
    SceneSearch(SceneNode* root, bool logicalScene);

    // The nearest node from `start` in the direction `from` whose name or address contains `text`, going round
    // past either end of the tree; `start` itself when it is the only match. A start that is no longer in the
    // world counts as the root. False, and `found` unchanged, when no node matches or the text is empty.
    bool Find(const std::wstring& text, const ScenePath& start, From from, ScenePath& found);

    // The path of the first shown node that stands for `entity`; false when the view does not show it.
    bool Locate(const Objects::ISpatialNode* entity, ScenePath& found);

    // Nodes the last call looked at, the root included.
    size_t Visited() const { return mVisited; }

private:
    class Walk;

    // What the text is to a type of render node: whether the type's text shown in names holds it, and the
    // type's first characters that a match starting in the address part of a name may reach into.
    struct TypeMatch {
        bool mContains = false;
        std::wstring mHead;  // lower case
    };

    bool Matches(const Walk& walk);
    const TypeMatch& MatchOf(const Objects::UString* type);

    SceneNode* mRoot;
    bool mLogicalScene;
    std::wstring mText;      // lower case
    std::wstring mRootName;  // lower case
    std::wstring mScratch;
    // Most texts cannot occur in "<0x1a2b3c4d>" or "0x55d01a2b3c4d" at all, and then only the type is looked at.
    bool mMayStartInName = false;
    bool mMayBeAddress = false;
    std::unordered_map<const Objects::UString*, TypeMatch> mTypes;
    const Objects::UString* mLastType = nullptr;  // neighbours mostly share a type
    const TypeMatch* mLastMatch = nullptr;
    size_t mVisited = 0;
};

} // namespace Tarn::Utilities
