// The scene browser dialog in a real window: its state after creation, lazy expansion, the two views, the rows of
// the selection, the host's callbacks and the close notification, no stale drawing, the selection kept across
// views, nodes of many children, selecting an entity for the host, and the layout. Driven through the controls
// and posted events; real key presses and clicks are in SceneBrowserInputTest.cpp.
#include "BrowserTestSupport.h"
#include "WindowTestSupport.h"
#include "utilities/browser/SceneBrowserDlg.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/splitter.h>
#include <wx/treectrl.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace Tarn::Testing {
namespace {

using Objects::Intern;
using Utilities::SceneBrowserDlg;
using Utilities::SceneNode;

// What the redraw callback saw; a plain function cannot carry a fixture.
struct RedrawLog {
    int mCalls = 0;
    int mRowsAtLastCall = -1;
    wxWindow* mWindow = nullptr;
    wxListCtrl* mList = nullptr;
} gRedraws;

void CountRedraw(wxWindow* window) {
    ++gRedraws.mCalls;
    gRedraws.mWindow = window;
    gRedraws.mRowsAtLastCall = gRedraws.mList ? gRedraws.mList->GetItemCount() : -1;
}

// Lets the columns be laid out again at a chosen list width.
class ResizedBrowser : public SceneBrowserDlg {
public:
    using SceneBrowserDlg::SceneBrowserDlg;
    void InsertColumnsAtWidth(int width) {
        mPropertyList->DeleteAllColumns();
        mPropertyList->SetSize(width, mPropertyList->GetSize().GetHeight());
        InsertPropertyColumns();
    }
};

// The browser over a host window, on the one-cell world plus one render node outside the cell.
class BrowserWindow : public ::testing::Test {
protected:
    BrowserWindow() {
        mLoose = mScene.mWorld.AddRenderNode(nullptr, {{20, 0, 0}, {22, 2, 2}}, 1);
        mHost = new wxFrame(nullptr, wxID_ANY, "host");
        mHost->Bind(Utilities::EVT_SCENE_BROWSER_NOTIFY,
                    [this](wxCommandEvent& event) { mNotices.emplace_back(event.GetInt(), event.GetExtraLong()); });
        mRoot = new SceneNode(nullptr);
        mRoot->Name(Intern(L"World"));
        mRoot->WorldIterator(mScene.mWorld.TopLevelIterator());
        mBrowser = new ResizedBrowser(mRoot, mHost);
        mTree = static_cast<wxTreeCtrl*>(mBrowser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
        mList = static_cast<wxListCtrl*>(mBrowser->FindWindow(SceneBrowserDlg::IDC_PROPERTIES_LIST));
        gRedraws = RedrawLog{};
        gRedraws.mList = mList;
    }

    ~BrowserWindow() override {
        delete mBrowser;
        EXPECT_EQ(mScene.mWorld.OpenIterators(), 0) << "the browser leaves part of its tree alive";
        delete mHost;
        gRedraws = RedrawLog{};
    }

    wxRadioButton* Radio(int id) const { return static_cast<wxRadioButton*>(mBrowser->FindWindow(id)); }

    // A user's click on a radio button: it turns on, its partner off, and the click arrives as an event.
    void Click(int radioId) {
        wxRadioButton* radio = Radio(radioId);
        radio->SetValue(true);
        wxCommandEvent click(wxEVT_RADIOBUTTON, radioId);
        click.SetEventObject(radio);
        click.SetInt(1);
        wxPostEvent(radio, click);
        wxTheApp->ProcessPendingEvents();
    }

    void DoubleClick(const wxTreeItemId& item) {
        mTree->SelectItem(item);
        wxTreeEvent activated(wxEVT_TREE_ITEM_ACTIVATED, mTree, item);
        wxPostEvent(mTree, activated);
        wxTheApp->ProcessPendingEvents();
    }

    void PressOK() {
        wxCommandEvent press(wxEVT_BUTTON, wxID_OK);
        press.SetEventObject(mBrowser->FindWindow(wxID_OK));
        wxPostEvent(mBrowser->FindWindow(wxID_OK), press);
        wxTheApp->ProcessPendingEvents();
    }

    std::vector<wxTreeItemId> ChildrenOf(const wxTreeItemId& item) const {
        std::vector<wxTreeItemId> children;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = mTree->GetFirstChild(item, cookie); child.IsOk();
             child = mTree->GetNextChild(item, cookie))
            children.push_back(child);
        return children;
    }

    wxTreeItemId Root() const { return mTree->GetRootItem(); }

    // What a host does while drawing a frame. The browser is taken into a local first: GCC's vptr sanitizer
    // misreads `->*` applied to a data member directly.
    void DrawFrame(Devices::ADrawContext& context) {
        SceneBrowserDlg* browser = mBrowser;
        if (SceneBrowserDlg::DrawBoxFn draw = browser->DrawBoxCB()) (browser->*draw)(context);
    }

    // The root opened, in logical-scene view: the three render nodes.
    std::vector<wxTreeItemId> OpenRoot() {
        mTree->Expand(Root());
        return ChildrenOf(Root());
    }

    wxString Column(int column) const {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_WIDTH);
        mList->GetColumn(column, item);
        return item.GetText();
    }

    OneCellWorld mScene;
    Graphics::SimpleRenderNode* mLoose;
    wxFrame* mHost;
    SceneNode* mRoot;
    ResizedBrowser* mBrowser;
    wxTreeCtrl* mTree;
    wxListCtrl* mList;
    std::vector<std::pair<int, long>> mNotices;
};

// ---- After creation

using SceneBrowserDlgCreation = BrowserWindow;

TEST_F(SceneBrowserDlgCreation, IsAShownModelessDialogRegisteredByName) {
    EXPECT_TRUE(mBrowser->IsShown());
    EXPECT_FALSE(mBrowser->IsModal());
    const wxClassInfo* info = wxClassInfo::FindClass("SceneBrowserDlg");
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->IsKindOf(wxCLASSINFO(wxDialog)));
    EXPECT_EQ(mBrowser->GetClassInfo(), info);
}

TEST_F(SceneBrowserDlgCreation, StartsInLogicalSceneWithAnEmptyListAndOneClosedRoot) {
    EXPECT_TRUE(Radio(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO)->GetValue());
    EXPECT_FALSE(Radio(SceneBrowserDlg::IDC_SPATIAL_RADIO)->GetValue());

    ASSERT_EQ(mList->GetColumnCount(), 2);
    EXPECT_EQ(Column(0), "Data");
    EXPECT_EQ(Column(1), "Value");
    EXPECT_EQ(mList->GetItemCount(), 0);

    EXPECT_EQ(mTree->GetItemText(Root()), "World");
    EXPECT_TRUE(mTree->ItemHasChildren(Root()));
    EXPECT_FALSE(mTree->IsExpanded(Root()));
    ASSERT_EQ(mTree->GetCount(), 2u);
    EXPECT_EQ(mTree->GetItemText(ChildrenOf(Root()).at(0)), "Dummy");
    EXPECT_EQ(mRoot->ChildCount(), 0);  // nothing is asked of the engine before the root is opened
}

TEST_F(SceneBrowserDlgCreation, ColumnsSplitFiveTwelfthsToTheLabels) {
    ASSERT_EQ(mList->GetSize().GetWidth(), 600);
    EXPECT_EQ(mList->GetColumnWidth(0), 250);
    EXPECT_EQ(mList->GetColumnWidth(1), 350);

    mBrowser->InsertColumnsAtWidth(601);
    EXPECT_EQ(mList->GetColumnWidth(0), 250);
    EXPECT_EQ(mList->GetColumnWidth(1), 351);
}

TEST(SceneBrowserDlgRoot, RootWithoutNameShowsEmptyText) {
    wxFrame host(nullptr, wxID_ANY, "host");
    auto* browser = new SceneBrowserDlg(new SceneNode(nullptr), &host);
    auto* tree = static_cast<wxTreeCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
    EXPECT_EQ(tree->GetItemText(tree->GetRootItem()), "");
    tree->Expand(tree->GetRootItem());  // a root without iterator has no children
    EXPECT_FALSE(tree->ItemHasChildren(tree->GetRootItem()));
    delete browser;
}

// ---- Lazy expansion

using SceneBrowserDlgExpansion = BrowserWindow;

TEST_F(SceneBrowserDlgExpansion, OpeningTheRootListsTheRenderNodesInLogicalScene) {
    const std::vector<wxTreeItemId> children = OpenRoot();
    ASSERT_EQ(children.size(), 3u);
    ASSERT_EQ(mRoot->ChildCount(), 3);
    const Objects::ISpatialNode* entities[] = {mScene.mFirst, mScene.mSecond, mLoose};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(mRoot->Children()[i]->TarnEntity(), entities[i]);
        EXPECT_EQ(mTree->GetItemText(children[i]), wxString(mRoot->Children()[i]->Name()->Text()));
        EXPECT_FALSE(mTree->ItemHasChildren(children[i])) << "a render node without children shows no button";
    }
}

TEST_F(SceneBrowserDlgExpansion, DoubleClickOpensAndOpeningAgainAddsNothing) {
    DoubleClick(Root());
    EXPECT_EQ(ChildrenOf(Root()).size(), 3u);
    mTree->Expand(Root());
    mTree->Collapse(Root());
    mTree->Expand(Root());
    DoubleClick(Root());
    EXPECT_EQ(ChildrenOf(Root()).size(), 3u);
    EXPECT_EQ(mRoot->ChildCount(), 3);
}

// A button only where the engine has something below: a cell holding an empty cell has one, the empty cell and a
// render node have none.
TEST_F(SceneBrowserDlgExpansion, OnlyNodesWithChildrenShowAnExpandButton) {
    Graphics::SimpleCell* outer = mScene.mWorld.AddCell(nullptr, {});
    mScene.mWorld.AddCell(outer, {});
    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    const std::vector<wxTreeItemId> top = OpenRoot();  // the cell, the loose node, outer
    ASSERT_EQ(top.size(), 3u);
    EXPECT_FALSE(mTree->ItemHasChildren(top[1]));
    ASSERT_TRUE(mTree->ItemHasChildren(top[2]));
    mTree->Expand(top[2]);
    const std::vector<wxTreeItemId> inner = ChildrenOf(top[2]);
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_FALSE(mTree->ItemHasChildren(inner[0]));
    EXPECT_EQ(mScene.mWorld.OpenIterators(), 4) << "the root's and the three cells'";
}

TEST_F(SceneBrowserDlgExpansion, SpatialViewShowsTheCellWithItsRenderNodesBelow) {
    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    const std::vector<wxTreeItemId> top = OpenRoot();
    ASSERT_EQ(top.size(), 2u);
    EXPECT_TRUE(mTree->GetItemText(top[0]).EndsWith(">ISpatialCell"));
    EXPECT_TRUE(mTree->GetItemText(top[1]).EndsWith(">SimpleRenderNode"));
    mTree->Expand(top[0]);
    EXPECT_EQ(ChildrenOf(top[0]).size(), 2u);
}

// ---- Switching the view

using SceneBrowserDlgModeSwitch = BrowserWindow;

TEST_F(SceneBrowserDlgModeSwitch, ClearsTreeAndListAndShowsTheRootAgain) {
    mTree->SelectItem(OpenRoot()[0]);
    ASSERT_EQ(mList->GetItemCount(), 11);
    mTree->SelectItem(Root());  // nothing that the other view could show again

    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    EXPECT_FALSE(Radio(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO)->GetValue());
    EXPECT_EQ(mTree->GetCount(), 2u);
    EXPECT_EQ(mTree->GetItemText(Root()), "World");
    EXPECT_FALSE(mTree->IsExpanded(Root()));
    EXPECT_EQ(mTree->GetItemText(ChildrenOf(Root())[0]), "Dummy");
    EXPECT_EQ(mList->GetItemCount(), 0);
    EXPECT_EQ(mList->GetColumnCount(), 2);
    EXPECT_EQ(mRoot->ChildCount(), 0);

    EXPECT_EQ(OpenRoot().size(), 2u);  // asked again, now in the spatial view
}

TEST_F(SceneBrowserDlgModeSwitch, ClickOnTheRadioThatIsOnRebuildsAllTheSame) {
    OpenRoot();
    Click(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO);
    EXPECT_EQ(mTree->GetCount(), 2u);
    EXPECT_EQ(OpenRoot().size(), 3u);
}

TEST_F(SceneBrowserDlgModeSwitch, DroppedNodesAreFreed) {
    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    mTree->Expand(OpenRoot()[0]);
    ASSERT_EQ(mScene.mWorld.OpenIterators(), 2);  // the root's and the cell node's

    Click(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO);
    EXPECT_FALSE(Radio(SceneBrowserDlg::IDC_SPATIAL_RADIO)->GetValue());
    EXPECT_EQ(mScene.mWorld.OpenIterators(), 1);
    EXPECT_EQ(OpenRoot().size(), 3u);  // and the logical scene is asked for anew
}

// ---- Selection, drawing and the host's callbacks

using SceneBrowserDlgSelection = BrowserWindow;

TEST_F(SceneBrowserDlgSelection, SelectionFillsTheRowsOfTheNode) {
    mTree->SelectItem(OpenRoot()[0]);
    ASSERT_EQ(mList->GetItemCount(), 11);
    SceneNode* node = mRoot->Children()[0];
    for (int row = 0; row < 11; ++row) {
        EXPECT_EQ(mList->GetItemText(row, 0), wxString(node->Attributes()[row]->mName.ToChars())) << row;
        EXPECT_EQ(mList->GetItemText(row, 1), wxString(node->Attributes()[row]->mValue.ToChars())) << row;
    }
    EXPECT_EQ(mList->GetItemText(3, 0), "   Max");
    EXPECT_EQ(mList->GetItemText(3, 1), "1.000000, 2.000000, 3.000000");

    mTree->SelectItem(Root());
    EXPECT_EQ(mList->GetItemCount(), 0);  // the root has no entity, so no rows
}

TEST_F(SceneBrowserDlgSelection, DrawBoxCBIsArmedByTheFirstNodeWithAnEntity) {
    RecordingDrawManager draw;
    Devices::ADrawContext context;
    EXPECT_EQ(mBrowser->DrawBoxCB(), nullptr);

    const std::vector<wxTreeItemId> nodes = OpenRoot();
    mTree->SelectItem(mTree->AppendItem(Root(), "no node"));
    EXPECT_EQ(mBrowser->DrawBoxCB(), nullptr);
    EXPECT_EQ(mList->GetItemCount(), 0);

    mTree->SelectItem(nodes[1]);
    const SceneBrowserDlg::DrawBoxFn drawBox = mBrowser->DrawBoxCB();
    ASSERT_NE(drawBox, nullptr);
    DrawFrame(context);
    ASSERT_EQ(draw.mCalls.size(), 1u);
    EXPECT_TRUE(SameBox(draw.mCalls[0].mBox, mScene.mSecond->mBox));
    EXPECT_EQ(draw.mCalls[0].mContext, &context);

    mTree->SelectItem(Root());  // stays armed, but the root has nothing to draw
    ASSERT_EQ(mBrowser->DrawBoxCB(), drawBox);
    DrawFrame(context);
    EXPECT_EQ(draw.mCalls.size(), 1u);
}

TEST_F(SceneBrowserDlgSelection, DrawsTheCurrentSelectionNotTheOneThatArmed) {
    RecordingDrawManager draw;
    Devices::ADrawContext context;
    const std::vector<wxTreeItemId> nodes = OpenRoot();
    mTree->SelectItem(nodes[0]);
    mTree->SelectItem(nodes[2]);
    DrawFrame(context);
    ASSERT_EQ(draw.mCalls.size(), 1u);
    EXPECT_TRUE(SameBox(draw.mCalls[0].mBox, mLoose->mBox));
}

TEST_F(SceneBrowserDlgSelection, OKDisarmsDrawBoxCBUntilTheNextSelection) {
    const std::vector<wxTreeItemId> nodes = OpenRoot();
    mTree->SelectItem(nodes[0]);
    ASSERT_NE(mBrowser->DrawBoxCB(), nullptr);
    PressOK();
    EXPECT_EQ(mBrowser->DrawBoxCB(), nullptr);
    EXPECT_FALSE(mBrowser->IsShown());
    EXPECT_TRUE(mNotices.empty());
    mTree->SelectItem(nodes[1]);
    EXPECT_NE(mBrowser->DrawBoxCB(), nullptr);
}

TEST_F(SceneBrowserDlgSelection, CloseNotifiesTheParentAndDisarmsDrawBoxCB) {
    mTree->SelectItem(OpenRoot()[0]);
    ASSERT_NE(mBrowser->DrawBoxCB(), nullptr);
    mBrowser->Close();
    ASSERT_EQ(mNotices.size(), 1u);
    EXPECT_EQ(mNotices[0].first, 0x0405);
    EXPECT_EQ(mNotices[0].second, 5);
    EXPECT_EQ(mBrowser->DrawBoxCB(), nullptr);
    EXPECT_FALSE(mBrowser->IsShown());
}

TEST_F(SceneBrowserDlgSelection, RedrawCallbackRunsOncePerChangeAfterTheRows) {
    mBrowser->RenderCB(&CountRedraw);
    const std::vector<wxTreeItemId> nodes = OpenRoot();
    EXPECT_EQ(gRedraws.mCalls, 0);  // opening is not a change of selection

    mTree->SelectItem(nodes[0]);
    EXPECT_EQ(gRedraws.mCalls, 1);
    EXPECT_EQ(gRedraws.mRowsAtLastCall, 11);
    EXPECT_EQ(gRedraws.mWindow, mHost);

    mTree->SelectItem(nodes[1]);
    EXPECT_EQ(gRedraws.mCalls, 2);

    mTree->SelectItem(mTree->AppendItem(Root(), "no node"));  // also without a node
    EXPECT_EQ(gRedraws.mCalls, 3);
    EXPECT_EQ(gRedraws.mRowsAtLastCall, 0);
}

// ---- No stale drawing, and the selection kept across views

using SceneBrowserDlgRedraw = BrowserWindow;

TEST_F(SceneBrowserDlgRedraw, OKCloseAndAModeSwitchThatDropsTheSelectionEachRedrawOnce) {
    mBrowser->RenderCB(&CountRedraw);
    PressOK();
    EXPECT_EQ(gRedraws.mCalls, 0) << "nothing was drawn, so nothing to take away";
    mBrowser->Show();
    mTree->SelectItem(OpenRoot()[0]);
    PressOK();
    EXPECT_EQ(gRedraws.mCalls, 2);
    EXPECT_EQ(gRedraws.mWindow, mHost);

    mTree->SelectItem(OpenRoot()[1]);
    mHost->Bind(Utilities::EVT_SCENE_BROWSER_NOTIFY, [](wxCommandEvent& event) {
        EXPECT_EQ(gRedraws.mCalls, 3) << "the redraw comes after the notification";
        event.Skip();
    });
    mBrowser->Close();  // also presses OK, which must not redraw twice
    EXPECT_EQ(gRedraws.mCalls, 4);

    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    mTree->SelectItem(OpenRoot()[0]);  // the cell, which the logical scene does not show
    ASSERT_EQ(gRedraws.mCalls, 6);
    Click(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO);
    EXPECT_EQ(gRedraws.mCalls, 7);
    EXPECT_EQ(gRedraws.mRowsAtLastCall, 0);
    EXPECT_EQ(mBrowser->SelectedNode(), mRoot) << "back on the root, which draws nothing";
}

TEST_F(SceneBrowserDlgRedraw, ARenderNodeStaysSelectedWithItsPathOpenInTheOtherView) {
    mBrowser->RenderCB(&CountRedraw);
    mTree->SelectItem(OpenRoot()[1]);
    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    ASSERT_NE(mBrowser->SelectedNode(), nullptr);
    EXPECT_EQ(mBrowser->SelectedNode()->TarnEntity(), mScene.mSecond);
    const wxTreeItemId cell = mTree->GetItemParent(mTree->GetSelection());
    EXPECT_EQ(mTree->GetItemParent(cell), Root());
    EXPECT_TRUE(mTree->IsExpanded(cell));
    EXPECT_EQ(gRedraws.mCalls, 2);
    EXPECT_EQ(gRedraws.mRowsAtLastCall, 11);

    Click(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO);  // and back
    EXPECT_EQ(mBrowser->SelectedNode()->TarnEntity(), mScene.mSecond);
    EXPECT_EQ(mTree->GetItemParent(mTree->GetSelection()), Root());
}

// ---- Selecting an entity for the host

TEST_F(SceneBrowserDlgRedraw, SelectEntityOpensThePathAndWhatTheViewDoesNotShowChangesNothing) {
    mBrowser->RenderCB(&CountRedraw);
    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    gRedraws.mCalls = 0;
    ASSERT_TRUE(mBrowser->SelectEntity(mScene.mSecond));
    EXPECT_EQ(mBrowser->SelectedNode()->TarnEntity(), mScene.mSecond);
    EXPECT_TRUE(mTree->IsVisible(mTree->GetSelection()));
    EXPECT_EQ(gRedraws.mCalls, 1);
    EXPECT_NE(mBrowser->DrawBoxCB(), nullptr);

    Click(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO);
    Graphics::SimpleRenderNode stranger({}, Intern(L"Stranger"));
    EXPECT_FALSE(mBrowser->SelectEntity(mScene.mCell));
    EXPECT_FALSE(mBrowser->SelectEntity(&stranger));
    EXPECT_EQ(mBrowser->SelectedNode()->TarnEntity(), mScene.mSecond);
}

// ---- Nodes of many children

TEST(SceneBrowserDlgManyChildren, AreShownInRangesThatOpenLikeNodes) {
    Graphics::WorldBuilder world;  // a cell of 2500 render nodes: the root's children in the logical scene
    Graphics::SimpleCell* cell = world.AddCell(nullptr, {});
    for (int i = 0; i < 2500; ++i) world.AddRenderNode(cell, {});
    wxFrame host(nullptr, wxID_ANY, "host");
    auto* root = new SceneNode(nullptr);
    root->WorldIterator(world.TopLevelIterator());
    auto* browser = new SceneBrowserDlg(root, &host);
    auto* tree = static_cast<wxTreeCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
    const auto texts = [tree](const wxTreeItemId& item) {
        std::vector<wxString> texts;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree->GetFirstChild(item, cookie); child.IsOk();
             child = tree->GetNextChild(item, cookie))
            texts.push_back(tree->GetItemText(child));
        return texts;
    };
    const auto name = [&](int node) {
        return wxString(Utilities::NodeName(world.RenderNodes()[size_t(node)], Intern(L"SimpleRenderNode")).Text());
    };

    ASSERT_TRUE(browser->SelectEntity(world.RenderNodes()[1234]));
    EXPECT_EQ(tree->GetItemText(tree->GetSelection()), name(1234));
    const wxTreeItemId range = tree->GetItemParent(tree->GetSelection());
    EXPECT_EQ(tree->GetItemText(range), L"[1000 \u2026 1999]");
    EXPECT_EQ(texts(tree->GetRootItem()),
              (std::vector<wxString>{L"[0 \u2026 999]", L"[1000 \u2026 1999]", L"[2000 \u2026 2499]"}));
    EXPECT_EQ(tree->GetCount(), 1u + 3u + 1000u + 2u) << "1000 leaves without placeholders; two ranges closed";

    const wxTreeItemId last = tree->GetLastChild(tree->GetRootItem());
    tree->SelectItem(last);
    EXPECT_EQ(browser->SelectedNode(), nullptr) << "a range is no node";
    tree->Expand(last);
    const std::vector<wxString> shown = texts(last);
    ASSERT_EQ(shown.size(), 500u);
    EXPECT_EQ(shown.front(), name(2000));
    EXPECT_EQ(shown.back(), name(2499));
    delete browser;
}

// ---- Layout

using SceneBrowserLayout = BrowserWindow;

TEST_F(SceneBrowserLayout, TheValueColumnTakesTheWidthTheDialogGainsAndGivesBack) {
    const int list = mList->GetSize().x, labels = mList->GetColumnWidth(0);
    const auto valuesFill = [this] {
        return mList->GetColumnWidth(1) ==
               mList->GetMainWindowOfCompositeControl()->GetClientSize().x - mList->GetColumnWidth(0);
    };
    mBrowser->SetSize(mBrowser->GetSize() + wxSize(300, 0));
    ASSERT_TRUE(PumpUntil([&] { return mList->GetSize().x == list + 200 && valuesFill(); }));
    EXPECT_EQ(mList->GetColumnWidth(0), labels);

    mBrowser->SetSize(wxSize(1, 1));  // as small as it goes
    const wxSize smallest = mBrowser->GetMinSize();
    EXPECT_LE(smallest.x, 640);
    EXPECT_LE(smallest.y, 400);
    ASSERT_TRUE(PumpUntil([&] { return mBrowser->GetSize() == smallest && valuesFill(); }));
    EXPECT_EQ(mList->GetColumnWidth(0), 5 * mList->GetSize().x / 12) << "the labels keep no more than 5/12";
    const wxRect inside(mBrowser->GetClientSize());
    for (int id : std::initializer_list<int>{SceneBrowserDlg::IDC_BROWSER_TREE, SceneBrowserDlg::IDC_SEARCH_NEXT,
                                             int(wxID_OK)})
        EXPECT_TRUE(inside.Contains(mBrowser->FindWindow(id)->GetRect())) << "control " << id;
}

// A world deeper than the tree is wide: the sash moves to show the selection's name, up to half the dialog; the
// user's drag moves it, and it stays where it was put across views and selections. Also on the smaller screens.
TEST_F(SceneBrowserLayout, TheSashFitsTheSelectionUpToHalfAndStaysWhereTheUserPutsIt) {
    Graphics::SimpleCell* cell = nullptr;
    for (int depth = 0; depth < 12; ++depth) cell = mScene.mWorld.AddCell(cell, {});
    Graphics::SimpleRenderNode* deep = mScene.mWorld.AddRenderNode(cell, {});
    deep->mType = Intern(L"DeepGeometryNode");
    auto* splitter = wxDynamicCast(mTree->GetParent()->GetParent(), wxSplitterWindow);
    ASSERT_NE(splitter, nullptr);
    RealInput input(mBrowser);
    ASSERT_TRUE(input.Focus(mTree));
    const int opened = splitter->GetSashPosition();
    EXPECT_EQ(opened, mTree->GetSize().x);
    const int half = (splitter->GetClientSize().x - splitter->GetSashSize()) / 2;

    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    ASSERT_TRUE(mBrowser->SelectEntity(deep));
    ASSERT_TRUE(PumpUntil([&] { return splitter->GetSashPosition() > opened; }));
    EXPECT_LE(splitter->GetSashPosition(), half + 1);
    wxRect shown;
    ASSERT_TRUE(mTree->GetBoundingRect(mTree->GetSelection(), shown, true));
    EXPECT_GE(shown.x, 0) << "the name's beginning is in sight";
    EXPECT_LE(shown.GetRight(), mTree->GetClientSize().x) << "and so is its end";

    const int fitted = splitter->GetSashPosition();
    const wxPoint sash = splitter->ClientToScreen(
        wxPoint(splitter->GetSashPosition() + splitter->GetSashSize() / 2, splitter->GetClientSize().y / 2));
    input.Simulator().MouseMove(sash);
    input.Simulator().MouseDown();
    input.Simulator().MouseMove(sash - wxPoint(120, 0));
    input.Simulator().MouseUp();
    ASSERT_TRUE(PumpUntil([&] { return std::abs(splitter->GetSashPosition() - (fitted - 120)) < 120 / 2; }));
    const int dragged = splitter->GetSashPosition();
    Click(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO);
    Click(SceneBrowserDlg::IDC_SPATIAL_RADIO);
    ASSERT_TRUE(mBrowser->SelectEntity(deep));
    ASSERT_TRUE(PumpUntil([&] { return !wxTheApp->Pending(); }));
    EXPECT_EQ(splitter->GetSashPosition(), dragged);
}

// Also run on a screen of 1280 x 720 (see CMakeLists.txt).
TEST_F(SceneBrowserLayout, OpensWhollyOnTheDisplayWithEveryControlInside) {
    const wxRect display = wxDisplay(0u).GetClientArea();
    mHost->SetSize(display.GetRight() - 100, display.GetBottom() - 100, 300, 300);  // a parent in the corner
    auto* browser = new SceneBrowserDlg(new SceneNode(nullptr), mHost);
    ASSERT_TRUE(PumpUntil([&] { return browser->IsShownOnScreen(); }));
    EXPECT_TRUE(display.Contains(browser->GetScreenRect())) << browser->GetScreenRect().GetRight();
    const wxRect inside(browser->GetClientSize());
    for (int id : std::initializer_list<int>{SceneBrowserDlg::IDC_PROPERTIES_LIST, SceneBrowserDlg::IDC_SEARCH_STATUS,
                                             int(wxID_OK)})
        EXPECT_TRUE(inside.Contains(browser->FindWindow(id)->GetRect())) << "control " << id;
    auto* list = static_cast<wxListCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_PROPERTIES_LIST));
    EXPECT_LE(list->GetColumnWidth(0) + list->GetColumnWidth(1), list->GetSize().x) << "a column runs off the list";
    delete browser;
}

} // namespace
} // namespace Tarn::Testing
