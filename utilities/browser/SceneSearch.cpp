#include "utilities/browser/SceneSearch.h"

#include "engine/graphics/RenderNode.h"
#include "engine/graphics/SpatialCell.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwctype>
#include <utility>

namespace Tarn::Utilities {

using Graphics::ARenderNode;
using Graphics::ISpatialCell;
using Objects::ISpatialNode;
using Objects::IWorldIterator;
using Objects::UString;

namespace {

// "<0x", eight digits and ">": the part of a shown name before the type.
constexpr size_t kNamePrefix = 12;

std::wstring Lower(const wchar_t* text) {
    std::wstring lower;
    for (; text && *text; ++text) lower += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(*text)));
    return lower;
}

const wchar_t kDigits[] = L"0123456789abcdef";

// Whether `text` holds `part`, by a plain loop: the texts are a few dozen characters, too short for the library's
// search to pay for its calls.
bool Holds(const wchar_t* text, size_t length, const std::wstring& part) {
    const size_t size = part.size();
    for (size_t at = 0; at + size <= length; ++at) {
        size_t same = 0;
        while (same < size && text[at + same] == part[same]) ++same;
        if (same == size) return true;
    }
    return false;
}

// The full address as a debugger prints it: "0x" and lower-case digits without leading zeros. Returns the length.
size_t WriteAddress(wchar_t (&text)[18], uint64_t address) {
    size_t length = 0;
    text[length++] = L'0';
    text[length++] = L'x';
    int shift = 60;
    while (shift > 0 && !((address >> shift) & 0xf)) shift -= 4;
    for (; shift >= 0; shift -= 4) text[length++] = kDigits[(address >> shift) & 0xf];
    return length;
}

} // namespace

// ---- The walk

// Depth first over the shown nodes of one view, in the order ExpandChild gives them. Level i is the iteration
// that yields the nodes at depth i + 1; in the logical scene a level is a stack of frames, the node's own
// iterator below the iterators of the cells it is going through.
class SceneSearch::Walk {
public:
    struct Shown {
        ISpatialNode* mEntity;
        const UString* mType;  // the text after the address in the node's name
        ISpatialCell* mCell;   // the cell interface of a cell shown as a node, else null
    };

    Walk(IWorldIterator* top, bool logicalScene) : mTop(top), mLogicalScene(logicalScene) {}
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;
    ~Walk() { Restart(); }

    bool AtRoot() const { return mPath.empty(); }
    const Shown& Node() const { return mPath.back(); }

    bool At(const ScenePath& path) const {
        if (path.size() != mPath.size()) return false;
        for (size_t i = path.size(); i-- > 0;)  // the deepest entity tells most paths apart
            if (path[i] != mPath[i].mEntity) return false;
        return true;
    }

    ScenePath Entities() const {
        ScenePath path;
        path.reserve(mPath.size());
        for (const Shown& shown : mPath) path.push_back(shown.mEntity);
        return path;
    }

    // One step in the tree's order: the node's first child, else the next sibling of the node or of its nearest
    // ancestor. After the last node the walk stands at the root again and answers false.
    bool Next() {
        if (OpenChildren()) {
            if (Step()) return true;
            CloseLevel();
        }
        while (!mPath.empty()) {
            mPath.pop_back();
            if (Step()) return true;
            CloseLevel();
        }
        return false;
    }

    // To the node at `path`, opening only the levels on the way; false, at the root, when a step is missing.
    bool Seek(const ScenePath& path) {
        Restart();
        for (ISpatialNode* target : path) {
            bool found = false;
            if (OpenChildren()) {
                while (!found && Step()) {
                    found = mPath.back().mEntity == target;
                    if (!found) mPath.pop_back();
                }
            }
            if (!found) {
                Restart();
                return false;
            }
        }
        return true;
    }

    void Restart() {
        while (!mFrames.empty()) Pop();
        mPath.clear();
    }

private:
    // A chain of nodes deeper than this is taken for a loop in the engine's world, so a search always ends.
    static constexpr size_t kMaxFrames = 4096;

    // Nodes read from an iteration before the walk gets to them.
    static constexpr unsigned kAhead = 8;

    struct Frame {
        IWorldIterator* mIterator;
        bool mOwned;       // handed to the walk by ChildIterator
        bool mOpensLevel;  // the shown node's own iterator, not a skipped cell's
        bool mEnded = false;
        unsigned mFirst = 0, mCount = 0;
        std::array<ISpatialNode*, kAhead> mAhead{};  // a ring: mCount nodes from mFirst on
    };

    // The iteration's next node. The iteration is read kAhead nodes ahead and every node's memory asked for as
    // it is read, so that the engine's answers about a node (its interfaces, its type) need not each wait for
    // memory in a world far larger than the cache.
    static ISpatialNode* Take(Frame& frame) {
        while (!frame.mEnded && frame.mCount < kAhead) {
            ISpatialNode* node = frame.mIterator->Next();
            if (!node) {
                frame.mEnded = true;
                break;
            }
            for (int line = 0; line < 3; ++line) __builtin_prefetch(reinterpret_cast<const char*>(node) + 64 * line);
            frame.mAhead[(frame.mFirst + frame.mCount++) % kAhead] = node;
        }
        if (frame.mCount == 0) return nullptr;
        ISpatialNode* node = frame.mAhead[frame.mFirst];
        frame.mFirst = (frame.mFirst + 1) % kAhead;
        --frame.mCount;
        return node;
    }

    // Starts the level of the current node's children; false when it has none.
    bool OpenChildren() {
        IWorldIterator* children = nullptr;
        bool owned = true;
        if (mPath.empty()) {
            children = mTop;
            owned = false;
        } else if (ISpatialCell* cell = mPath.back().mCell) {
            children = cell->ChildIterator();
        } else {
            children = mPath.back().mEntity->ChildIterator();
        }
        return Push(children, owned, true);
    }

    bool Push(IWorldIterator* iterator, bool owned, bool opensLevel) {
        if (!iterator) return false;
        if (mFrames.size() >= kMaxFrames) {
            if (owned) iterator->Release();
            return false;
        }
        iterator->Reset(vec3<float>{0.0f, 0.0f, 0.0f});
        Frame frame;
        frame.mIterator = iterator;
        frame.mOwned = owned;
        frame.mOpensLevel = opensLevel;
        mFrames.push_back(frame);
        return true;
    }

    void Pop() {
        if (mFrames.back().mOwned) mFrames.back().mIterator->Release();
        mFrames.pop_back();
    }

    void CloseLevel() {
        while (!mFrames.empty()) {
            const bool opensLevel = mFrames.back().mOpensLevel;
            Pop();
            if (opensLevel) return;
        }
    }

    // Appends the next shown node of the open level to the path; false when the level has no more.
    bool Step() {
        for (;;) {
            ISpatialNode* spatial = Take(mFrames.back());
            if (!spatial) {
                if (mFrames.back().mOpensLevel) return false;
                Pop();  // a skipped cell is done: back to the iteration that yielded it
                continue;
            }
            // As in ExpandChild: a node that answers both queries is a cell.
            if (auto* cell = static_cast<ISpatialCell*>(spatial->QueryInterface(ISpatialCell::InterfaceID()))) {
                if (mLogicalScene) {
                    Push(cell->ChildIterator(), true, false);
                    continue;
                }
                mPath.push_back({spatial, ISpatialCell::InterfaceID(), cell});
                return true;
            }
            if (auto* render = static_cast<ARenderNode*>(spatial->QueryInterface(ARenderNode::InterfaceID()))) {
                mPath.push_back({spatial, render->TypeID(), nullptr});
                return true;
            }
        }
    }

    IWorldIterator* mTop;
    bool mLogicalScene;
    std::vector<Frame> mFrames;
    std::vector<Shown> mPath;
};

// ---- The search

SceneSearch::SceneSearch(SceneNode* root, bool logicalScene) : mRoot(root), mLogicalScene(logicalScene) {}

bool SceneSearch::Find(const std::wstring& text, const ScenePath& start, From from, ScenePath& found) {
    mVisited = 0;
    mText = Lower(text.c_str());
    if (mText.empty() || !mRoot) return false;
    static const std::wstring kAddressCharacters = L"0123456789abcdefx", kNameCharacters = L"<>" + kAddressCharacters;
    mMayStartInName = kNameCharacters.find(mText[0]) != std::wstring::npos;
    mMayBeAddress = mText.find_first_not_of(kAddressCharacters) == std::wstring::npos;
    mTypes.clear();
    mLastMatch = nullptr;
    mRootName = Lower(mRoot->NameText().c_str());
    Walk walk(mRoot->WorldIterator(), mLogicalScene);
    const ScenePath origin = walk.Seek(start) ? start : ScenePath();

    if (from == From::Previous) {
        // One pass in the tree's order: the last match before the origin, else the last one after it.
        walk.Restart();
        ScenePath before, after;
        bool passed = false, originMatches = false, hasBefore = false, hasAfter = false;
        do {
            if (!passed && walk.At(origin)) {
                passed = true;
                originMatches = Matches(walk);
            } else if (Matches(walk)) {
                (passed ? after : before) = walk.Entities();
                (passed ? hasAfter : hasBefore) = true;
            }
        } while (walk.Next());
        if (!hasBefore && !hasAfter && !originMatches) return false;
        found = hasBefore ? before : hasAfter ? after : origin;
        return true;
    }

    if (from == From::Here && Matches(walk)) {
        found = origin;
        return true;
    }
    for (;;) {
        walk.Next();  // past the last node it stands at the root, the first node of the tree
        if (walk.At(origin)) {
            if (from == From::Here || !Matches(walk)) return false;
            found = origin;
            return true;
        }
        if (Matches(walk)) {
            found = walk.Entities();
            return true;
        }
    }
}

bool SceneSearch::Locate(const ISpatialNode* entity, ScenePath& found) {
    mVisited = 0;
    if (!mRoot || !entity) return false;
    Walk walk(mRoot->WorldIterator(), mLogicalScene);
    while (walk.Next()) {
        ++mVisited;
        if (walk.Node().mEntity == entity) {
            found = walk.Entities();
            return true;
        }
    }
    return false;
}

// A name is "<0x" eight digits ">" and the type: a match lies wholly in the type, or starts in the twelve
// characters before it (kNamePrefix) and reaches at most |text| - 1 characters into it.
bool SceneSearch::Matches(const Walk& walk) {
    ++mVisited;
    if (walk.AtRoot()) return mRootName.find(mText) != std::wstring::npos;
    const Walk::Shown& node = walk.Node();
    const TypeMatch& type = MatchOf(node.mType);
    if (type.mContains) return true;
    const auto address = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(node.mEntity));
    if (mMayStartInName) {
        mScratch.resize(kNamePrefix + type.mHead.size());  // allocates only for a longer text than before
        wchar_t* name = &mScratch[0];
        name[0] = L'<';
        name[1] = L'0';
        name[2] = L'x';
        for (int digit = 0; digit < 8; ++digit) name[3 + digit] = kDigits[(address >> (28 - 4 * digit)) & 0xf];
        name[11] = L'>';
        std::copy(type.mHead.begin(), type.mHead.end(), name + kNamePrefix);
        if (Holds(name, mScratch.size(), mText)) return true;
    }
    if (!mMayBeAddress) return false;
    wchar_t full[18];
    return Holds(full, WriteAddress(full, address), mText);
}

const SceneSearch::TypeMatch& SceneSearch::MatchOf(const UString* type) {
    if (mLastMatch && type == mLastType) return *mLastMatch;
    auto known = mTypes.find(type);
    if (known == mTypes.end()) {
        constexpr size_t kShown = NodeName::kCapacity - 1 - kNamePrefix;  // what of the type a name holds
        std::wstring lower = Lower(type ? type->Text() : nullptr);
        lower.resize(std::min(lower.size(), kShown));
        TypeMatch match;
        match.mContains = lower.find(mText) != std::wstring::npos;
        match.mHead = lower.substr(0, mText.size() - 1);
        known = mTypes.emplace(type, std::move(match)).first;
    }
    mLastType = type;
    mLastMatch = &known->second;
    return known->second;
}

} // namespace Tarn::Utilities
