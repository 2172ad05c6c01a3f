// The scene node tree, without a display: expansion in both modes, names, rows, children, iterators, drawing.
#include "BrowserTestSupport.h"
#include "utilities/browser/SceneNode.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <utility>

namespace Tarn::Testing {
namespace {

using Graphics::ARenderNode;
using Graphics::ISpatialCell;
using Graphics::SimpleCell;
using Graphics::SimpleRenderNode;
using Graphics::SpatialNodeList;
using Objects::Box3;
using Objects::Intern;
using Utilities::Attribute;
using Utilities::SceneNode;
using Utilities::SceneNodeType;

std::wstring Text(const Objects::UString* text) { return text ? text->Text() : L"(null)"; }

// The rows of a node as "label=value" lines, for exact comparisons.
std::wstring Rows(SceneNode& node) {
    std::wstring rows;
    for (const Attribute* row : node.Attributes()) {
        rows += row->mName.ToChars();
        rows += L'=';
        rows += row->mValue.ToChars();
        rows += L'\n';
    }
    return rows;
}

std::wstring Row(SceneNode& node, const wchar_t* label) {
    for (const Attribute* row : node.Attributes())
        if (std::wcscmp(row->mName.ToChars(), label) == 0) return row->mValue.ToChars();
    return L"(missing)";
}

// A root as the host makes it: a name and an iterator over the top of the world, no entity.
class SceneNodeTest : public ::testing::Test {
protected:
    SceneNodeTest() {
        mRoot.Name(Intern(L"World"));
        mRoot.WorldIterator(mScene.mWorld.TopLevelIterator());
    }
    void Expand(bool logicalScene) { mRoot.ExpandChild(mRoot.WorldIterator(), logicalScene); }

    OneCellWorld mScene;
    SceneNode mRoot{nullptr};
};

// The tree reads a spatial node, its cell or render-node interface and its attachable at one address.
TEST(SceneNodeEngineModel, CellsAndRenderNodesShareOneAddressWithTheirParts) {
    OneCellWorld scene;
    Objects::ISpatialNode* cell = scene.mCell;
    Objects::ISpatialNode* render = scene.mFirst;
    EXPECT_EQ(static_cast<void*>(static_cast<Objects::AAttachable*>(scene.mCell)), static_cast<void*>(cell));
    EXPECT_EQ(static_cast<void*>(static_cast<Objects::AAttachable*>(scene.mFirst)), static_cast<void*>(render));
    EXPECT_EQ(cell->QueryInterface(ISpatialCell::InterfaceID()), static_cast<void*>(cell));
    EXPECT_EQ(render->QueryInterface(ARenderNode::InterfaceID()), static_cast<void*>(render));
    EXPECT_EQ(cell->QueryInterface(ARenderNode::InterfaceID()), nullptr);
    EXPECT_EQ(render->QueryInterface(ISpatialCell::InterfaceID()), nullptr);
}

// ---- Expansion

using SceneNodeExpansion = SceneNodeTest;

TEST_F(SceneNodeExpansion, NullIteratorAddsNothing) {
    mRoot.ExpandChild(nullptr, false);
    mRoot.ExpandChild(nullptr, true);
    EXPECT_EQ(mRoot.ChildCount(), 0);
}

TEST_F(SceneNodeExpansion, SpatialModeShowsTheCellThenItsRenderNodes) {
    Expand(false);
    ASSERT_EQ(mRoot.ChildCount(), 1);
    SceneNode* cell = mRoot.Children()[0];
    EXPECT_EQ(cell->NodeType(), SceneNodeType::SpatialCell);
    EXPECT_EQ(cell->TarnEntity(), mScene.mCell);
    EXPECT_EQ(cell->Attributes().Count(), 15);
    EXPECT_EQ(cell->ChildCount(), 0);  // a child waits for its own expansion

    cell->ExpandChild(cell->WorldIterator(), false);
    ASSERT_EQ(cell->ChildCount(), 2);
    for (int i = 0; i < 2; ++i) {
        SceneNode* node = cell->Children()[i];
        EXPECT_EQ(node->NodeType(), SceneNodeType::RenderNode);
        EXPECT_EQ(node->Attributes().Count(), 11);
        EXPECT_EQ(node->Parent(), cell);
    }
    EXPECT_EQ(cell->Children()[0]->TarnEntity(), mScene.mFirst);
    EXPECT_EQ(cell->Children()[1]->TarnEntity(), mScene.mSecond);
}

TEST_F(SceneNodeExpansion, LogicalSceneLiftsRenderNodesToTheExpandedNode) {
    Expand(true);
    EXPECT_EQ(mScene.mWorld.OpenIterators(), 1);  // the root's own: the skipped cell's was released
    EXPECT_EQ(mRoot.Attributes().Count(), 0);     // the root has no entity
    ASSERT_EQ(mRoot.ChildCount(), 2);
    EXPECT_EQ(mRoot.Children()[0]->TarnEntity(), mScene.mFirst);
    EXPECT_EQ(mRoot.Children()[1]->TarnEntity(), mScene.mSecond);
    for (SceneNode* node : mRoot.Children()) {
        EXPECT_EQ(node->NodeType(), SceneNodeType::RenderNode);
        EXPECT_EQ(node->Attributes().Count(), 11);
        EXPECT_EQ(node->Parent(), &mRoot);
    }
}

TEST_F(SceneNodeExpansion, LogicalSceneWalksNestedCellsDepthFirst) {
    Graphics::WorldBuilder world;
    SimpleCell* outer = world.AddCell(nullptr, {{0, 0, 0}, {8, 8, 8}});
    SimpleRenderNode* a = world.AddRenderNode(outer, {{0, 0, 0}, {1, 1, 1}});
    SimpleCell* inner = world.AddCell(outer, {{4, 4, 4}, {8, 8, 8}});
    SimpleRenderNode* b = world.AddRenderNode(inner, {{5, 5, 5}, {6, 6, 6}});
    SimpleRenderNode* c = world.AddRenderNode(outer, {{2, 2, 2}, {3, 3, 3}});
    SimpleRenderNode* d = world.AddRenderNode(nullptr, {{9, 9, 9}, {10, 10, 10}});

    SceneNode root(nullptr);
    root.WorldIterator(world.TopLevelIterator());
    root.ExpandChild(root.WorldIterator(), true);
    ASSERT_EQ(root.ChildCount(), 4);
    const Objects::ISpatialNode* expected[] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(root.Children()[i]->TarnEntity(), expected[i]) << "child " << i;
}

TEST_F(SceneNodeExpansion, EveryExpansionRestartsTheIteratorAndAppends) {
    Expand(true);
    Expand(true);
    ASSERT_EQ(mRoot.ChildCount(), 4);
    EXPECT_EQ(mRoot.Children()[2]->TarnEntity(), mScene.mFirst);
}

TEST_F(SceneNodeExpansion, DestroyingTheRootFreesTheWholeTree) {
    auto* root = new SceneNode(nullptr);
    root->WorldIterator(mScene.mWorld.TopLevelIterator());
    root->ExpandChild(root->WorldIterator(), false);
    SceneNode* cell = root->Children()[0];
    cell->ExpandChild(cell->WorldIterator(), false);
    EXPECT_EQ(mScene.mWorld.OpenIterators(), 3);  // the fixture's root, this root, the cell node
    delete root;
    EXPECT_EQ(mScene.mWorld.OpenIterators(), 1);
}

// An engine node that is a render node and answers the cell query with a cell it holds as a member.
class RenderNodeWithCell : public SimpleRenderNode {
public:
    RenderNodeWithCell() : SimpleRenderNode({{0, 0, 0}, {4, 4, 4}}, Intern(L"RenderNodeWithCell")) {
        mInside.Add(&mFirst);
        mInside.Add(&mSecond);
        mInside.Add(&mThird);
    }
    void* QueryInterface(const Objects::UString* id) override {
        return id == ISpatialCell::InterfaceID() ? &mInside : SimpleRenderNode::QueryInterface(id);
    }

    SimpleCell mInside{nullptr, {{0, 0, 0}, {4, 4, 4}}, nullptr};
    SimpleRenderNode mFirst{{{0, 0, 0}, {1, 1, 1}}, Intern(L"Inner")};
    SimpleRenderNode mSecond{{{1, 1, 1}, {2, 2, 2}}, Intern(L"Inner")};
    SimpleRenderNode mThird{{{2, 2, 2}, {3, 3, 3}}, Intern(L"Inner")};
};

class SceneNodeAnsweringBoth : public ::testing::Test {
protected:
    SceneNodeAnsweringBoth() {
        mTop.Add(&mNode);
        mRoot.WorldIterator(new Graphics::ListIterator(mTop, nullptr));
    }
    RenderNodeWithCell mNode;
    SpatialNodeList mTop;
    SceneNode mRoot{nullptr};
};

TEST_F(SceneNodeAnsweringBoth, SpatialModeMakesOneCellNodeWithTheCellsStatistics) {
    mRoot.ExpandChild(mRoot.WorldIterator(), false);
    ASSERT_EQ(mRoot.ChildCount(), 1);
    SceneNode* node = mRoot.Children()[0];
    EXPECT_EQ(node->NodeType(), SceneNodeType::SpatialCell);
    EXPECT_EQ(node->TarnEntity(), &mNode);
    EXPECT_EQ(node->Attributes().Count(), 15);
    EXPECT_EQ(Row(*node, L"MemberCount"), L"3");
    EXPECT_EQ(Row(*node, L"Visible"), L"(missing)");
    const std::wstring name = Text(node->Name());
    EXPECT_EQ(name.substr(name.size() - 13), L">ISpatialCell");

    node->ExpandChild(node->WorldIterator(), false);  // the iterator came from the member cell
    EXPECT_EQ(node->ChildCount(), 3);
}

TEST_F(SceneNodeAnsweringBoth, LogicalSceneSkipsItLikeACell) {
    mRoot.ExpandChild(mRoot.WorldIterator(), true);
    ASSERT_EQ(mRoot.ChildCount(), 3);
    EXPECT_EQ(mRoot.Children()[0]->TarnEntity(), &mNode.mFirst);
}

// ---- Names

// An object built at a chosen address, so that its name can be known in advance.
template <class T> class PlacedAt {
public:
    static constexpr size_t kPage = 4096;
    static_assert(sizeof(T) <= kPage);

    template <class... Args> explicit PlacedAt(uintptr_t address, Args&&... args) {
        void* page = mmap(reinterpret_cast<void*>(address), kPage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (page == reinterpret_cast<void*>(address)) mObject = new (page) T(std::forward<Args>(args)...);
        else if (page != MAP_FAILED) munmap(page, kPage);  // a kernel that took the address as a hint only
    }
    PlacedAt(const PlacedAt&) = delete;
    PlacedAt& operator=(const PlacedAt&) = delete;
    ~PlacedAt() {
        if (!mObject) return;
        mObject->~T();
        munmap(mObject, kPage);
    }
    T* get() const { return mObject; }

private:
    T* mObject = nullptr;
};

class SceneNodeNaming : public ::testing::Test {
protected:
    // Expands a root over `nodes` in spatial mode.
    void ExpandOver(std::initializer_list<Objects::ISpatialNode*> nodes) {
        for (Objects::ISpatialNode* node : nodes) mTop.Add(node);
        mRoot.WorldIterator(new Graphics::ListIterator(mTop, nullptr));
        mRoot.ExpandChild(mRoot.WorldIterator(), false);
    }
    SpatialNodeList mTop;
    SceneNode mRoot{nullptr};
};

TEST_F(SceneNodeNaming, CellNameIsItsLow32AddressBitsThenTheInterfaceId) {
    PlacedAt<SimpleCell> low(0x5a5a0000b000, nullptr, Box3{}, nullptr);
    PlacedAt<SimpleCell> high(0x5a5b0000b000, nullptr, Box3{}, nullptr);
    if (!low.get() || !high.get()) GTEST_SKIP() << "the fixed test addresses are taken";

    ExpandOver({low.get(), high.get()});
    ASSERT_EQ(mRoot.ChildCount(), 2);
    EXPECT_EQ(Text(mRoot.Children()[0]->Name()), L"<0x0000b000>ISpatialCell");
    EXPECT_EQ(mRoot.Children()[1]->Name(), mRoot.Children()[0]->Name());  // one interned string
    EXPECT_EQ(Row(*mRoot.Children()[0], L"Memory Address"), L"<0x0000b000>");
    EXPECT_EQ(Row(*mRoot.Children()[0], L"Name"), L"<0x0000b000>ISpatialCell");
}

TEST_F(SceneNodeNaming, RenderNodeNameEndsWithItsTypeId) {
    PlacedAt<SimpleRenderNode> node(0x5a5a00c0d000, Box3{}, Intern(L"GeometryNode"));
    if (!node.get()) GTEST_SKIP() << "the fixed test address is taken";

    ExpandOver({node.get()});
    ASSERT_EQ(mRoot.ChildCount(), 1);
    EXPECT_EQ(Text(mRoot.Children()[0]->Name()), L"<0x00c0d000>GeometryNode");
}

TEST_F(SceneNodeNaming, NodeThatIsNeitherCellNorRenderNodeAddsNoChild) {
    Objects::ISpatialNode plain;
    ExpandOver({&plain});
    EXPECT_EQ(mRoot.ChildCount(), 0);
}

// ---- Rows

using SceneNodeRows = SceneNodeTest;

TEST_F(SceneNodeRows, CellShowsCommonRowsThenItsStatistics) {
    Expand(false);
    SceneNode& cell = *mRoot.Children()[0];
    EXPECT_EQ(Rows(cell), L"Name=" + Text(cell.Name()) +
                              L"\n"
                              L"Memory Address=" + Text(cell.Name()).substr(0, 12) +
                              L"\n"
                              L"World Box=\n"
                              L"   Max=10.000000, 10.000000, 10.000000\n"
                              L"   Min=0.000000, 0.000000, 0.000000\n"
                              L"IsOriginal=true\n"
                              L"IsCell=true\n"
                              L"MemberCount=2\n"
                              L"TotalMemberCount=2\n"
                              L"TotalInteriorCellCount=0\n"
                              L"TotalLeafCellCount=1\n"
                              L"GeometricProbability=1.000000\n"
                              L"TotalProbabilityCost=2.000000\n"
                              L"IsLeaf=true\n"
                              L"ChildCount=0\n");
}

TEST_F(SceneNodeRows, RenderNodeShowsCommonRowsThenItsState) {
    Expand(true);
    SceneNode& first = *mRoot.Children()[0];
    wchar_t matrix[32];
    std::swprintf(matrix, 32, L"<0x%08x>", static_cast<unsigned>(reinterpret_cast<uintptr_t>(mScene.mFirst->mWorldMatrix)));
    EXPECT_EQ(Rows(first), L"Name=" + Text(first.Name()) +
                               L"\n"
                               L"Memory Address=" + Text(first.Name()).substr(0, 12) +
                               L"\n"
                               L"World Box=\n"
                               L"   Max=1.000000, 2.000000, 3.000000\n"
                               L"   Min=0.000000, 0.000000, 0.000000\n"
                               L"IsOriginal=true\n"
                               L"IsCell=false\n"
                               L"Visible=false\n"
                               L"Consolidated=false\n"
                               L"WorldMatrix=" + matrix +
                               L"\n"
                               L"ClippingPlanes=<0x00000000>\n");
    EXPECT_EQ(Text(first.Name()).substr(12), L"SimpleRenderNode");
}

TEST_F(SceneNodeRows, FlagBitsZeroAndFourHideAndUnconsolidate) {
    mScene.mSecond->mFlags = 0;
    Graphics::WorldBuilder& world = mScene.mWorld;
    world.AddRenderNode(mScene.mCell, {}, ARenderNode::kHidden);
    world.AddRenderNode(mScene.mCell, {}, ARenderNode::kNotConsolidated);
    Expand(true);
    ASSERT_EQ(mRoot.ChildCount(), 4);
    const wchar_t* expected[4][2] = {{L"false", L"false"}, {L"true", L"true"}, {L"false", L"true"}, {L"true", L"false"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Row(*mRoot.Children()[i], L"Visible"), expected[i][0]) << "node " << i;
        EXPECT_EQ(Row(*mRoot.Children()[i], L"Consolidated"), expected[i][1]) << "node " << i;
    }
}

// ---- Children

class SceneNodeChildren : public ::testing::Test {
protected:
    ~SceneNodeChildren() override {
        // Hand the test's nodes back before the parent would delete them, so each is deleted once.
        while (mParent.ChildCount() > 0) mParent.RemoveChild(mParent.Children()[0]);
        delete mA;
        delete mB;
        delete mC;
    }
    std::wstring Order() {
        std::wstring order;
        for (SceneNode* child : mParent.Children()) order += child == mA ? L'a' : child == mB ? L'b' : L'c';
        return order;
    }
    SceneNode mParent{nullptr};
    SceneNode* mA = new SceneNode(&mParent);
    SceneNode* mB = new SceneNode(&mParent);
    SceneNode* mC = new SceneNode(&mParent);
};

TEST_F(SceneNodeChildren, RemoveChildTakesOnlyTheFirstOccurrence) {
    mParent.AddChild(mA);
    mParent.AddChild(mB);
    mParent.AddChild(mA);
    mParent.AddChild(mC);
    mParent.RemoveChild(mA);
    EXPECT_EQ(Order(), L"bac");
}

TEST_F(SceneNodeChildren, RemoveChildOfAStrangerChangesNothing) {
    mParent.AddChild(mA);
    mParent.AddChild(mB);
    mParent.RemoveChild(mC);
    mParent.RemoveChild(nullptr);
    EXPECT_EQ(Order(), L"ab");
}

// ---- Iterator ownership

// Counts its releases instead of deleting itself.
class CountingIterator : public Objects::IWorldIterator {
public:
    void Reset(const vec3<float>&) override {}
    Objects::ISpatialNode* Next() override { return nullptr; }
    void Release() override { ++mReleases; }
    int mReleases = 0;
};

TEST(SceneNodeIterator, ReplacingWithTheSameIteratorKeepsIt) {
    CountingIterator first, second;
    {
        SceneNode node(nullptr);
        node.WorldIterator(&first);
        node.WorldIterator(&first);
        EXPECT_EQ(first.mReleases, 0);
        EXPECT_EQ(node.WorldIterator(), &first);

        node.WorldIterator(&second);
        EXPECT_EQ(first.mReleases, 1);
        EXPECT_EQ(second.mReleases, 0);
    }
    EXPECT_EQ(second.mReleases, 1);  // released with the node
    EXPECT_EQ(first.mReleases, 1);
}

// ---- Drawing

using SceneNodeDrawing = SceneNodeTest;

TEST_F(SceneNodeDrawing, DrawsTheEntityWorldBoxInRed) {
    RecordingDrawManager draw;
    Devices::ADrawContext context;
    Expand(true);
    mRoot.Children()[0]->DrawBoundingBox(context);
    ASSERT_EQ(draw.mCalls.size(), 1u);
    const RecordingDrawManager::Call& call = draw.mCalls[0];
    EXPECT_EQ(call.mContext, &context);
    EXPECT_TRUE(SameBox(call.mBox, mScene.mFirst->mBox));
    EXPECT_EQ(call.mTransform, nullptr);
    EXPECT_FALSE(call.mSolid);
    EXPECT_EQ(call.mColour[0], 1.0f);
    EXPECT_EQ(call.mColour[1], 0.0f);
    EXPECT_EQ(call.mColour[2], 0.0f);
    EXPECT_EQ(call.mColour[3], 1.0f);
}

TEST_F(SceneNodeDrawing, NodeWithoutEntityDrawsNothing) {
    RecordingDrawManager draw;
    Devices::ADrawContext context;
    mRoot.DrawBoundingBox(context);
    EXPECT_TRUE(draw.mCalls.empty());
}

} // namespace
} // namespace Tarn::Testing
