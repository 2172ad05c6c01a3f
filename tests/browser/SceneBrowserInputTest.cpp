// The scene browser driven as a user drives it, with real key presses and clicks through the X test extension:
// Enter and Escape, moving through lazily opened levels, finding, and copying to the clipboard.
#include "WindowTestSupport.h"
#include "engine/graphics/WorldBuilder.h"
#include "utilities/browser/SceneBrowserDlg.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/srchctrl.h>
#include <wx/stattext.h>

#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>

namespace Tarn::Testing {
namespace {

using Graphics::SimpleCell;
using Graphics::SimpleRenderNode;
using Utilities::SceneBrowserDlg;

int gRedraws = 0;
void CountRedraw(wxWindow*) { ++gRedraws; }

// The browser over a host, on a world whose spatial view is three levels deep: outer (cell) { middle (cell)
// { deep }, first }, last, and 40 PlainNodes. deep, first and last are TargetNodes.
class BrowserInput : public ::testing::Test {
protected:
    BrowserInput() {
        for (int i = 0; i < 40; ++i) Node(nullptr, L"PlainNode");
        auto* root = new Utilities::SceneNode(nullptr);
        root->Name(Objects::Intern(L"World"));
        root->WorldIterator(mWorld.TopLevelIterator());
        mBrowser = new SceneBrowserDlg(root, mHost);
        mBrowser->RenderCB(&CountRedraw);
        mTree = Control<wxTreeCtrl>(SceneBrowserDlg::IDC_BROWSER_TREE);
        mHost->Bind(Utilities::EVT_SCENE_BROWSER_NOTIFY, [this](wxCommandEvent&) { ++mNotices; });
        mInput = std::make_unique<RealInput>(mBrowser);
        EXPECT_TRUE(PumpUntil([this] { return mBrowser->IsShownOnScreen(); }));
    }
    ~BrowserInput() override {
        mInput.reset();
        delete mBrowser;
        EXPECT_EQ(mWorld.OpenIterators(), 0);
        delete mHost;
    }

    SimpleRenderNode* Node(SimpleCell* cell, const wchar_t* type) {
        SimpleRenderNode* node = mWorld.AddRenderNode(cell, {{1, 1, 1}, {2, 2, 2}});
        node->mType = Objects::Intern(type);
        return node;
    }
    template <class T> T* Control(int id) const { return static_cast<T*>(mBrowser->FindWindow(id)); }
    Objects::ISpatialNode* Selected() const {
        const Utilities::SceneNode* node = mBrowser->SelectedNode();
        return node ? node->TarnEntity() : nullptr;
    }
    void ShowSpatialView() {
        auto* spatial = Control<wxRadioButton>(SceneBrowserDlg::IDC_SPATIAL_RADIO);
        ASSERT_TRUE(mInput->Click(spatial->GetScreenRect().GetLeftTop() + wxPoint(8, spatial->GetSize().y / 2),
                                  [spatial] { return spatial->GetValue(); }));
    }
    // Right-clicks `at` and chooses the first entry of the menu that opens, with the keyboard.
    bool ChooseFirstMenuEntry(const wxPoint& at) {
        ClearClipboard();
        mBrowser->Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent& event) {
            event.Skip();
            mBrowser->CallAfter([this] {
                mInput->Simulator().Char(WXK_DOWN);
                mInput->Simulator().Char(WXK_RETURN);
            });
        });
        return mInput->Click(at, [] { return ClipboardText() != "(cleared)"; }, wxMOUSE_BTN_RIGHT);
    }

    Graphics::WorldBuilder mWorld;
    SimpleCell* mOuter = mWorld.AddCell(nullptr, {});
    SimpleCell* mMiddle = mWorld.AddCell(mOuter, {});
    SimpleRenderNode* mDeep = Node(mMiddle, L"TargetNode");
    SimpleRenderNode* mFirst = Node(mOuter, L"TargetNode");
    SimpleRenderNode* mLast = Node(nullptr, L"TargetNode");
    wxFrame* mHost = new wxFrame(nullptr, wxID_ANY, "host");
    SceneBrowserDlg* mBrowser;
    wxTreeCtrl* mTree = nullptr;
    std::unique_ptr<RealInput> mInput;
    int mNotices = 0;
};

// ---- Keys

using SceneBrowserKeys = BrowserInput;

TEST_F(SceneBrowserKeys, EnterOpensAndClosesTheSelectedItemAndNeverClosesTheDialog) {
    ASSERT_TRUE(mInput->Focus(mTree));
    const wxTreeItemId root = mTree->GetRootItem();
    ASSERT_TRUE(mInput->Press(WXK_RETURN));
    EXPECT_TRUE(mTree->IsExpanded(root));
    EXPECT_EQ(mTree->GetChildrenCount(root, false), 43u);  // asked of the engine as it opened
    ASSERT_TRUE(mInput->Press(WXK_RETURN));
    EXPECT_FALSE(mTree->IsExpanded(root));
    ASSERT_TRUE(mInput->Focus(Control<wxWindow>(SceneBrowserDlg::IDC_PROPERTIES_LIST)));  // nor from the list
    ASSERT_TRUE(mInput->Press(WXK_RETURN));
    EXPECT_TRUE(mBrowser->IsShown());
    EXPECT_EQ(mNotices, 0);
}

TEST_F(SceneBrowserKeys, OpensWithTheFocusInTheTreeAndAltSAndAltLChooseTheView) {
    ASSERT_TRUE(PumpUntil([this] { return mBrowser->IsActive() && wxWindow::FindFocus() == mTree; }));
    auto* logical = Control<wxRadioButton>(SceneBrowserDlg::IDC_LOGICAL_SCENE_RADIO);
    ASSERT_TRUE(mInput->Press('s', wxMOD_ALT));
    ASSERT_TRUE(PumpUntil([logical] { return !logical->GetValue(); }));
    ASSERT_TRUE(mBrowser->SelectEntity(mMiddle)) << "the spatial view's tree";
    ASSERT_TRUE(mInput->Press('l', wxMOD_ALT));
    ASSERT_TRUE(PumpUntil([logical] { return logical->GetValue(); }));
    EXPECT_FALSE(mBrowser->SelectEntity(mMiddle)) << "the logical scene's tree";
}

TEST_F(SceneBrowserKeys, EscapeInTheSearchFieldClearsItAndGoesToTheTreeTheNextClosesAsOKDoes) {
    auto* field = Control<wxSearchCtrl>(SceneBrowserDlg::IDC_SEARCH_FIELD);
    mBrowser->FocusSearch();  // as the host's Ctrl+F does
    ASSERT_TRUE(PumpUntil([&] { return mBrowser->IsActive() && wxWindow::FindFocus() == field; }));
    ASSERT_TRUE(mInput->Type("target"));
    ASSERT_EQ(Selected(), mDeep);
    ASSERT_TRUE(mInput->Press(WXK_ESCAPE));
    EXPECT_TRUE(mBrowser->IsShown());
    EXPECT_EQ(field->GetValue(), "");
    EXPECT_EQ(wxWindow::FindFocus(), mTree);
    EXPECT_EQ(Selected(), mDeep);

    const int redraws = gRedraws;
    ASSERT_TRUE(mInput->Press(WXK_ESCAPE));
    EXPECT_FALSE(mBrowser->IsShown());
    EXPECT_EQ(mBrowser->DrawBoxCB(), nullptr);
    EXPECT_EQ(gRedraws, redraws + 1);
    EXPECT_EQ(mNotices, 0) << "as OK: only closing notifies";
}

TEST_F(SceneBrowserKeys, ArrowsHomeEndAndPagesMoveThroughLazilyOpenedLevels) {
    ShowSpatialView();
    ASSERT_TRUE(mInput->Focus(mTree));
    for (int key : {WXK_RIGHT, WXK_DOWN, WXK_RIGHT, WXK_DOWN, WXK_RIGHT, WXK_DOWN}) ASSERT_TRUE(mInput->Press(key));
    EXPECT_EQ(Selected(), mDeep) << "root, outer and middle opened on the way";
    EXPECT_FALSE(mTree->ItemHasChildren(mTree->GetSelection())) << "a leaf shows no button";
    ASSERT_TRUE(mInput->Press(WXK_DOWN));
    EXPECT_EQ(Selected(), mFirst);
    const wxTreeItemId outer = mTree->GetItemParent(mTree->GetSelection());
    ASSERT_TRUE(mInput->Press(WXK_LEFT));
    EXPECT_EQ(mTree->GetSelection(), outer);

    ASSERT_TRUE(mInput->Press(WXK_END));
    EXPECT_TRUE(mTree->GetItemText(mTree->GetSelection()).EndsWith(">PlainNode"));
    EXPECT_FALSE(mTree->GetNextSibling(mTree->GetSelection()).IsOk()) << "End goes to the last item";
    ASSERT_TRUE(mInput->Press(WXK_HOME));
    EXPECT_EQ(mTree->GetSelection(), mTree->GetRootItem());
    ASSERT_TRUE(mInput->Press(WXK_PAGEDOWN));
    wxRect row;
    ASSERT_TRUE(mTree->GetBoundingRect(mTree->GetSelection(), row));
    EXPECT_GT(row.y, mTree->GetClientSize().y / 2) << "a page down, not a line";
    ASSERT_TRUE(mInput->Press(WXK_PAGEUP));
    EXPECT_EQ(mTree->GetSelection(), mTree->GetRootItem());
}

// ---- Finding

using SceneBrowserFind = BrowserInput;

TEST_F(SceneBrowserFind, CtrlFAndTypingFindAndOpenANodeThreeLevelsDown) {
    ShowSpatialView();
    ASSERT_TRUE(mInput->Focus(mTree));
    ASSERT_TRUE(mInput->Press('f', wxMOD_CONTROL));
    ASSERT_TRUE(mInput->Type("target"));
    EXPECT_EQ(Control<wxSearchCtrl>(SceneBrowserDlg::IDC_SEARCH_FIELD)->GetValue(), "target");
    ASSERT_EQ(Selected(), mDeep);
    int opened = 0;
    for (wxTreeItemId up = mTree->GetItemParent(mTree->GetSelection()); up.IsOk(); up = mTree->GetItemParent(up))
        opened += mTree->IsExpanded(up);
    EXPECT_EQ(opened, 3) << "middle, outer and the root";
    EXPECT_TRUE(mTree->IsVisible(mTree->GetSelection()));
    EXPECT_EQ(Control<wxListCtrl>(SceneBrowserDlg::IDC_PROPERTIES_LIST)->GetItemCount(), 11);
    EXPECT_NE(mBrowser->DrawBoxCB(), nullptr);
}

TEST_F(SceneBrowserFind, NotFoundIsShownAndTheSelectionStays) {
    ASSERT_TRUE(mBrowser->SelectEntity(mFirst));
    ASSERT_TRUE(mInput->Focus(mTree));
    ASSERT_TRUE(mInput->Type("zz"));  // typing in the tree goes to the search field
    auto* status = Control<wxStaticText>(SceneBrowserDlg::IDC_SEARCH_STATUS);
    EXPECT_EQ(status->GetLabel(), L"Not found: \u201czz\u201d");
    EXPECT_EQ(Selected(), mFirst);
    ASSERT_TRUE(mInput->Press(WXK_BACK));
    ASSERT_TRUE(mInput->Press(WXK_BACK));
    EXPECT_EQ(status->GetLabel(), "") << "an empty field says nothing";
}

TEST_F(SceneBrowserFind, EnterF3AndDownGoToTheNextMatchShiftAndUpToThePrevious) {
    auto* field = Control<wxSearchCtrl>(SceneBrowserDlg::IDC_SEARCH_FIELD);
    ASSERT_TRUE(mInput->Focus(field));
    ASSERT_TRUE(mInput->Type("target"));
    ASSERT_EQ(Selected(), mDeep);  // the logical scene: deep, first and last at the top
    const std::pair<int, int> keys[] = {{WXK_RETURN, wxMOD_NONE}, {WXK_F3, wxMOD_NONE}, {WXK_F3, wxMOD_NONE},
                                        {WXK_F3, wxMOD_SHIFT}, {WXK_RETURN, wxMOD_SHIFT}, {WXK_DOWN, wxMOD_NONE},
                                        {WXK_UP, wxMOD_NONE},  {WXK_UP, wxMOD_NONE}};
    const Objects::ISpatialNode* expected[] = {mFirst, mLast, mDeep, mLast, mFirst, mLast, mFirst, mDeep};
    for (size_t i = 0; i < std::size(keys); ++i) {  // round past both ends
        ASSERT_TRUE(mInput->Press(keys[i].first, keys[i].second));
        EXPECT_EQ(Selected(), expected[i]) << "step " << i;
    }
    ASSERT_TRUE(mInput->Type("node"));
    EXPECT_EQ(field->GetValue(), "targetnode") << "the keys stay in the field";
    EXPECT_EQ(Selected(), mDeep);
    EXPECT_TRUE(mBrowser->IsShown());
}

// ---- Copying

using SceneBrowserCopy = BrowserInput;

TEST_F(SceneBrowserCopy, CtrlCAndTheMenuCopyTheSelectedRows) {
    ASSERT_TRUE(mBrowser->SelectEntity(mDeep));
    auto* list = Control<wxListCtrl>(SceneBrowserDlg::IDC_PROPERTIES_LIST);
    ClearClipboard();
    ASSERT_TRUE(mInput->Focus(list));
    for (long row : {1, 3}) list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(mInput->Press('c', wxMOD_CONTROL));
    wxString address;
    address.Printf("<0x%08x>", static_cast<unsigned>(reinterpret_cast<uintptr_t>(mDeep)));
    EXPECT_EQ(ClipboardText(), "Memory Address\t" + address + "\n   Max\t2.000000, 2.000000, 2.000000");

    ASSERT_TRUE(mInput->Press('a', wxMOD_CONTROL));  // every row
    ASSERT_TRUE(mInput->Press('c', wxMOD_CONTROL));
    const wxString all = ClipboardText();
    EXPECT_EQ(all.Freq('\n'), 10);
    EXPECT_TRUE(all.StartsWith("Name\t<0x") && all.EndsWith("\nClippingPlanes\t<0x00000000>")) << all;

    list->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    list->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    wxRect row;
    list->GetItemRect(0, row);
    ASSERT_TRUE(ChooseFirstMenuEntry(list->ClientToScreen(row.GetPosition() + wxSize(8, row.height / 2))));
    EXPECT_EQ(ClipboardText(), "Name\t" + wxString(mBrowser->SelectedNode()->NameText()));
}

TEST_F(SceneBrowserCopy, CtrlCInTheTreeAndItsMenuCopyTheNodesNameAndAddress) {
    ASSERT_TRUE(mBrowser->SelectEntity(mLast));
    ClearClipboard();
    ASSERT_TRUE(mInput->Focus(mTree));
    ASSERT_TRUE(mInput->Press('c', wxMOD_CONTROL));
    const auto address = static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(mLast));
    EXPECT_EQ(ClipboardText(), wxString::Format("<0x%08llx>TargetNode\t0x%llx", address & 0xffffffffu, address));

    wxRect row;  // the root's item: its menu copies the name alone, as the root stands for no entity
    ASSERT_TRUE(mTree->GetBoundingRect(mTree->GetRootItem(), row, true));
    ASSERT_TRUE(ChooseFirstMenuEntry(mTree->ClientToScreen(row.GetPosition() + wxSize(4, row.height / 2))));
    EXPECT_EQ(ClipboardText(), "World");
    EXPECT_EQ(mTree->GetSelection(), mTree->GetRootItem()) << "as in any tree, the item clicked is selected";
}

} // namespace
} // namespace Tarn::Testing
