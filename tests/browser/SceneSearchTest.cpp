// Finding nodes without a display: the search walks the world as the tree would show it, in both views, round past
// either end, and asks the engine for children only where it goes. Also the name text the tree shows.
#include "BrowserTestSupport.h"
#include "utilities/browser/SceneSearch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>

namespace Tarn::Testing {
namespace {

using Graphics::SimpleCell;
using Graphics::SimpleRenderNode;
using Objects::Intern;
using Utilities::NodeName;
using Utilities::SceneNode;
using Utilities::ScenePath;
using Utilities::SceneSearch;
using From = SceneSearch::From;

// In the tree's order: outer (cell) { middle (cell) { deep }, first }, other, last. All but `other` are
// "TargetNode"s.
class SceneSearchTest : public ::testing::Test {
protected:
    SceneSearchTest() {
        mRoot.Name(Intern(L"World"));
        mRoot.WorldIterator(mWorld.TopLevelIterator());
    }
    ~SceneSearchTest() override { EXPECT_EQ(mWorld.OpenIterators(), 1) << "a search left an iterator open"; }

    SimpleRenderNode* Node(SimpleCell* cell, const wchar_t* type) {
        SimpleRenderNode* node = mWorld.AddRenderNode(cell, {});
        node->mType = Intern(type);
        return node;
    }
    // The path found, or {nullptr} when there is none.
    ScenePath Find(const wchar_t* text, const ScenePath& start, From from, bool logical = false) {
        ScenePath found{nullptr};
        SceneSearch(&mRoot, logical).Find(text, start, from, found);
        return found;
    }

    Graphics::WorldBuilder mWorld;
    SimpleCell* mOuter = mWorld.AddCell(nullptr, {});
    SimpleCell* mMiddle = mWorld.AddCell(mOuter, {});
    SimpleRenderNode* mDeep = Node(mMiddle, L"TargetNode");
    SimpleRenderNode* mFirst = Node(mOuter, L"TargetNode");
    SimpleRenderNode* mOther = Node(nullptr, L"PlainNode");
    SimpleRenderNode* mLast = Node(nullptr, L"TargetNode");
    SceneNode mRoot{nullptr};
    const ScenePath mDeepPath{mOuter, mMiddle, mDeep}, mFirstPath{mOuter, mFirst};
};

TEST_F(SceneSearchTest, FindsAndLocatesThreeLevelsDownInTheSpatialViewAndLiftedInTheLogicalScene) {
    EXPECT_EQ(Find(L"target", {}, From::Next), mDeepPath);
    EXPECT_EQ(Find(L"ispatialcell", {mOuter}, From::Next), (ScenePath{mOuter, mMiddle}));
    EXPECT_EQ(Find(L"target", {}, From::Next, true), ScenePath{mDeep});
    EXPECT_EQ(Find(L"ispatialcell", {}, From::Next, true), ScenePath{nullptr}) << "no cells in the logical scene";
    ScenePath found;
    ASSERT_TRUE(SceneSearch(&mRoot, false).Locate(mDeep, found));
    EXPECT_EQ(found, mDeepPath);
    ASSERT_TRUE(SceneSearch(&mRoot, true).Locate(mDeep, found));
    EXPECT_EQ(found, ScenePath{mDeep});
    EXPECT_FALSE(SceneSearch(&mRoot, true).Locate(mMiddle, found));
}

TEST_F(SceneSearchTest, GoesInTheTreesOrderRoundPastEitherEnd) {
    EXPECT_EQ(Find(L"target", mDeepPath, From::Next), mFirstPath);
    EXPECT_EQ(Find(L"target", {mLast}, From::Next), mDeepPath);
    EXPECT_EQ(Find(L"world", {mLast}, From::Next), ScenePath{}) << "the root comes first";
    EXPECT_EQ(Find(L"target", {mLast}, From::Previous), mFirstPath);
    EXPECT_EQ(Find(L"target", mDeepPath, From::Previous), ScenePath{mLast});
    EXPECT_EQ(Find(L"target", {mOther}, From::Here), ScenePath{mLast});
    EXPECT_EQ(Find(L"plain", {mOther}, From::Here), ScenePath{mOther}) << "typing keeps a start that matches";
    EXPECT_EQ(Find(L"plain", {mOther}, From::Next), ScenePath{mOther}) << "a lone match is found again";
    EXPECT_EQ(Find(L"plain", {mOther}, From::Previous), ScenePath{mOther});
    SimpleRenderNode gone({}, Intern(L"Gone"));
    EXPECT_EQ(Find(L"target", {mOuter, &gone}, From::Next), mDeepPath) << "a start that is gone counts as the root";
}

TEST_F(SceneSearchTest, MatchesNameTypeAndFullAddressIgnoringCase) {
    SimpleRenderNode* longType = Node(nullptr, std::wstring(600, L'y').c_str());  // shown cut to 499 characters
    const auto address = static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(mOther));
    wchar_t name[32], full[32], lowDigitsOn[32], longName[16];
    std::swprintf(name, 32, L"<0x%08llX>PL", address & 0xffffffffu);
    std::swprintf(full, 32, L"0x%llx", address);
    std::swprintf(lowDigitsOn, 32, L"%06llx>p", address & 0xffffffu);  // from the address into the type
    std::swprintf(longName, 16, L"%02x>y", static_cast<unsigned>(reinterpret_cast<uintptr_t>(longType) & 0xffu));
    const std::pair<std::wstring, ScenePath> rows[] = {
        {L"PLAINnode", {mOther}},
        {name, {mOther}},
        {full, {mOther}},
        {full + 3, {mOther}},  // the high digits, which the name does not show
        {lowDigitsOn, {mOther}},
        {longName + std::wstring(498, L'y'), {longType}},
        {std::wstring(499, L'y'), {longType}},
        {std::wstring(500, L'y'), {nullptr}},
        {L"x0x", {nullptr}},  // shaped like an address, in none
        {L"no such node", {nullptr}},
    };
    for (const auto& [text, expected] : rows) EXPECT_EQ(Find(text.c_str(), {}, From::Next), expected) << text;
    ScenePath found{mOther};
    EXPECT_FALSE(SceneSearch(&mRoot, false).Find(L"no such node", {}, From::Previous, found));
    EXPECT_FALSE(SceneSearch(&mRoot, false).Find(L"", {}, From::Here, found));
    EXPECT_EQ(found, ScenePath{mOther}) << "left as it was";
}

// A cell that counts the iterators asked of it.
class CountingCell : public SimpleCell {
public:
    explicit CountingCell(const std::shared_ptr<int>& open) : SimpleCell(nullptr, {}, open) {}
    Objects::IWorldIterator* ChildIterator() override {
        ++mAsked;
        return SimpleCell::ChildIterator();
    }
    int mAsked = 0;
};

TEST(SceneSearchEngine, AsksForChildrenOnlyWhereTheWalkGoesAndReleasesThem) {
    auto open = std::make_shared<int>(0);
    CountingCell searched(open), untouched(open);
    SimpleRenderNode target({}, Intern(L"TargetNode")), hidden({}, Intern(L"TargetNode"));
    searched.Add(&target);
    untouched.Add(&hidden);
    Graphics::SpatialNodeList top;
    top.Add(&searched);
    top.Add(&untouched);
    SceneNode root(nullptr);
    root.WorldIterator(new Graphics::ListIterator(top, nullptr));
    for (bool logical : {false, true}) {
        SceneSearch search(&root, logical);
        ScenePath found;
        ASSERT_TRUE(search.Find(L"target", {}, From::Next, found));
        EXPECT_EQ(found.back(), &target);
        EXPECT_EQ(untouched.mAsked, 0) << "the cell after the match was opened";
        EXPECT_LE(search.Visited(), 3u);
    }
    EXPECT_EQ(*open, 0);
}

TEST(SceneNodeNameText, IsWhatTheFormatGivesAndWhatTheNodeInternsLater) {
    const std::wstring longType(600, L'x');
    for (const wchar_t* type : {L"GeometryNode", longType.c_str()}) {
        wchar_t expected[NodeName::kCapacity];
        Tarn::OS::swprintf(expected, NodeName::kCapacity, L"<0x%08x>%s", 0xeadbeef0u, type);
        EXPECT_STREQ(NodeName(reinterpret_cast<const void*>(0x7f0deadbeef0), Intern(type)).Text(), expected);
    }
    OneCellWorld scene;
    SceneNode root(nullptr);
    root.WorldIterator(scene.mWorld.TopLevelIterator());
    root.ExpandChild(root.WorldIterator(), false);
    SceneNode* cell = root.Children()[0];
    EXPECT_EQ(cell->Name(), Intern(cell->NameText().c_str()));
}

} // namespace
} // namespace Tarn::Testing
