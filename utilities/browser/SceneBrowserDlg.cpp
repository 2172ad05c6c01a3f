#include "utilities/browser/SceneBrowserDlg.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/srchctrl.h>
#include <wx/stattext.h>
#include <wx/wupdlock.h>

#include <algorithm>
#include <cstdint>

namespace Tarn::Utilities {

wxDEFINE_EVENT(EVT_SCENE_BROWSER_NOTIFY, wxCommandEvent);

namespace {

// The child that marks a node's item as not yet opened.
const wchar_t* const kPlaceholder = L"Dummy";

// The smallest useful sizes: the list twice as wide as the tree, as it is when the dialog opens.
const int kTreeWidth = 300;
const wxSize kTreeMinSize(160, 120);
const wxSize kListMinSize(320, 120);

// Ties a tree item to its node, or to a range of its node's children; the tree deletes it with the item, never
// the node.
class NodeItem : public wxTreeItemData {
public:
    explicit NodeItem(SceneNode* node) : mNode(node) {}
    NodeItem(SceneNode* node, int begin, int end) : mNode(node), mBegin(begin), mEnd(end) {}
    bool IsRange() const { return mBegin >= 0; }

    SceneNode* mNode;
    int mBegin = -1, mEnd = -1;  // children [mBegin, mEnd) of mNode, for a range item
};

const NodeItem* DataOf(const wxTreeCtrl* tree, const wxTreeItemId& item) {
    return item.IsOk() ? static_cast<const NodeItem*>(tree->GetItemData(item)) : nullptr;
}

wxString NameOf(const SceneNode* node) { return node ? wxString(node->NameText()) : wxString(); }

// The full address as a debugger prints it.
wxString AddressText(const void* address) {
    return wxString::Format("0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
}

wxTreeItemId NthChild(const wxTreeCtrl* tree, const wxTreeItemId& parent, int index) {
    wxTreeItemIdValue cookie;
    wxTreeItemId child = tree->GetFirstChild(parent, cookie);
    for (; child.IsOk() && index > 0; --index) child = tree->GetNextChild(parent, cookie);
    return child;
}

void PutOnClipboard(const wxString& text) {
    wxClipboardLocker open;
    if (!!open) wxTheClipboard->SetData(new wxTextDataObject(text));
}

} // namespace

wxIMPLEMENT_CLASS(SceneBrowserDlg, wxDialog);

// clang-format off
wxBEGIN_EVENT_TABLE(SceneBrowserDlg, wxDialog)
    EVT_PAINT(SceneBrowserDlg::OnPaint)
    EVT_CLOSE(SceneBrowserDlg::OnClose)
    EVT_CHAR_HOOK(SceneBrowserDlg::OnCharHook)
    EVT_BUTTON(wxID_OK, SceneBrowserDlg::OnOK)
    EVT_TREE_ITEM_ACTIVATED(IDC_BROWSER_TREE, SceneBrowserDlg::OnNMDblClickBrowserTree)
    EVT_TREE_SEL_CHANGED(IDC_BROWSER_TREE, SceneBrowserDlg::OnTvnSelchangedBrowserTree)
    EVT_TREE_ITEM_EXPANDING(IDC_BROWSER_TREE, SceneBrowserDlg::OnTvnItemexpandingTree)
    EVT_TREE_ITEM_COLLAPSING(IDC_BROWSER_TREE, SceneBrowserDlg::OnTvnItemexpandingTree)
    EVT_TREE_ITEM_MENU(IDC_BROWSER_TREE, SceneBrowserDlg::OnTreeItemMenu)
    EVT_RADIOBUTTON(IDC_LOGICAL_SCENE_RADIO, SceneBrowserDlg::OnBnClickedLogicalSceneRadio)
    EVT_RADIOBUTTON(IDC_SPATIAL_RADIO, SceneBrowserDlg::OnBnClickedSpatialRadio)
    EVT_TEXT(IDC_SEARCH_FIELD, SceneBrowserDlg::OnSearchText)
    EVT_SEARCH(IDC_SEARCH_FIELD, SceneBrowserDlg::OnSearchNext)
    EVT_BUTTON(IDC_SEARCH_NEXT, SceneBrowserDlg::OnSearchNext)
    EVT_BUTTON(IDC_SEARCH_PREVIOUS, SceneBrowserDlg::OnSearchPrevious)
    EVT_LIST_COL_END_DRAG(IDC_PROPERTIES_LIST, SceneBrowserDlg::OnListColumnDragged)
    EVT_MENU(ID_COPY_ROWS, SceneBrowserDlg::OnCopyRows)
    EVT_MENU(ID_SELECT_ALL_ROWS, SceneBrowserDlg::OnSelectAllRows)
    EVT_MENU(ID_COPY_NODE, SceneBrowserDlg::OnCopyNode)
wxEND_EVENT_TABLE()
// clang-format on

SceneBrowserDlg::SceneBrowserDlg(SceneNode* root, wxWindow* parent)
    : wxDialog(parent, IDD_SCENE_BROWSER, "Scene Browser", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      mParentWnd(parent),
      mRootNode(root) {
    CreateControls();
    OnInitDialog();
    PlaceOnScreen();
    const wxRect placed = GetRect();
    Show();
    AllowShrinking();  // only now: GTK would open the window at its smallest size
    if (GetRect() != placed) SetSize(placed);
    mBrowserTree->SetFocus();  // and keys go to the tree as soon as the window manager activates the dialog
}

SceneBrowserDlg::~SceneBrowserDlg() {
    mDrawBoxCB = nullptr;
    // No item may outlive the nodes that its data points to.
    mQuiet = true;
    mBrowserTree->DeleteAllItems();
    delete mRootNode;
    mRootNode = nullptr;
}

// The layout that the fixed control ids belong to: the view choice above, the search field over the tree, the
// tree and the rows side by side with a sash between them, the search status and OK below. The sash opens at a
// third of the width and keeps the 1 : 2 split as the dialog is resized.
void SceneBrowserDlg::CreateControls() {
    auto* modes = new wxBoxSizer(wxHORIZONTAL);
    modes->Add(new wxRadioButton(this, IDC_LOGICAL_SCENE_RADIO, "&Logical scene", wxDefaultPosition, wxDefaultSize,
                                 wxRB_GROUP),
               0, wxRIGHT, 12);
    modes->Add(new wxRadioButton(this, IDC_SPATIAL_RADIO, "&Spatial"), 0);

    mSplitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                     wxSP_LIVE_UPDATE | wxSP_NOBORDER);
    auto* treePane = new wxPanel(mSplitter);
    mSearchField = new wxSearchCtrl(treePane, IDC_SEARCH_FIELD, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                    wxTE_PROCESS_ENTER);
    mSearchField->SetDescriptiveText("Find name or address (Ctrl+F)");
    mSearchField->ShowCancelButton(true);
    mSearchField->SetMinSize(wxSize(80, -1));
    auto* previous = new wxButton(treePane, IDC_SEARCH_PREVIOUS, L"\u25B2", wxDefaultPosition, wxDefaultSize,
                                  wxBU_EXACTFIT);
    previous->SetToolTip("Previous match (Up, Shift+F3)");
    auto* next = new wxButton(treePane, IDC_SEARCH_NEXT, L"\u25BC", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    next->SetToolTip("Next match (Down, Enter, F3)");
    auto* search = new wxBoxSizer(wxHORIZONTAL);
    search->Add(mSearchField, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    search->Add(previous, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2);
    search->Add(next, 0, wxALIGN_CENTER_VERTICAL);

    mBrowserTree = new wxTreeCtrl(treePane, IDC_BROWSER_TREE, wxDefaultPosition, wxSize(kTreeWidth, 420),
                                  wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_SINGLE);
    auto* treeColumn = new wxBoxSizer(wxVERTICAL);
    treeColumn->Add(search, 0, wxEXPAND | wxBOTTOM, 4);
    treeColumn->Add(mBrowserTree, 1, wxEXPAND);
    treePane->SetSizer(treeColumn);
    mPropertyList = new wxListCtrl(mSplitter, IDC_PROPERTIES_LIST, wxDefaultPosition, wxSize(2 * kTreeWidth, 420),
                                   wxLC_REPORT);
    mSplitter->SetMinimumPaneSize(kTreeMinSize.x / 2);
    mSplitter->SetSashGravity(1.0 / 3);
    mSplitter->SplitVertically(treePane, mPropertyList, kTreeWidth);

    // OK is not the default button: Enter belongs to the tree and the search field, and must not close.
    mSearchStatus = new wxStaticText(this, IDC_SEARCH_STATUS, wxEmptyString);
    auto* bottom = new wxBoxSizer(wxHORIZONTAL);
    bottom->Add(mSearchStatus, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    bottom->Add(new wxButton(this, wxID_OK, "OK"), 0);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(modes, 0, wxALL, 8);
    top->Add(mSplitter, 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
    top->Add(bottom, 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);  // the opening size: the controls at their initial sizes
    mSplitter->SetSashPosition(kTreeWidth);
    mSplitter->UpdateSize();

    mPropertyList->Bind(wxEVT_CONTEXT_MENU, &SceneBrowserDlg::OnListContextMenu, this);
    mBrowserTree->Bind(wxEVT_CHAR, &SceneBrowserDlg::OnTreeChar, this);
    mPropertyList->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        CallAfter(&SceneBrowserDlg::FitValueColumn);  // once the list has laid out its own parts
    });
    mSplitter->Bind(wxEVT_SPLITTER_SASH_POS_CHANGED, [this](wxSplitterEvent& event) {
        event.Skip();
        mSashMoved = true;  // only a user's drag sends this: the sash stays where it was put
    });
}

// From here on the dialog may shrink to its controls' small sizes; the sizer keeps the 1 : 2 split on the way.
void SceneBrowserDlg::AllowShrinking() {
    mBrowserTree->SetMinSize(kTreeMinSize);
    mPropertyList->SetMinSize(kListMinSize);
    mBrowserTree->GetParent()->InvalidateBestSize();  // and the splitter above it
    SetMinSize(wxDefaultSize);
    SetMinClientSize(GetSizer()->CalcMin());
}

// Opens centred on the parent and wholly on the parent's display, shrunk to it when the display is small.
void SceneBrowserDlg::PlaceOnScreen() {
    const int index = wxDisplay::GetFromWindow(mParentWnd ? mParentWnd : this);
    const wxRect area = wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetClientArea();
    wxSize size = GetSize();
    if (size.x > area.width || size.y > area.height) {
        AllowShrinking();
        size.DecTo(area.GetSize());
        SetSize(size);
    }
    if (mParentWnd) CentreOnParent();
    else CentreOnScreen();
    wxPoint at = GetPosition();
    at.x = std::clamp(at.x, area.GetLeft(), std::max(area.GetLeft(), area.GetRight() + 1 - size.x));
    at.y = std::clamp(at.y, area.GetTop(), std::max(area.GetTop(), area.GetBottom() + 1 - size.y));
    Move(at);
}

bool SceneBrowserDlg::OnInitDialog() {
    InsertPropertyColumns();
    CreateRootItem();
    Radio(IDC_LOGICAL_SCENE_RADIO)->SetValue(true);
    Radio(IDC_SPATIAL_RADIO)->SetValue(false);
    return true;
}

// Splits the list's current width between the columns, five twelfths to the labels.
void SceneBrowserDlg::InsertPropertyColumns() {
    const int width = mPropertyList->GetSize().GetWidth();
    const int labels = 5 * width / 12;
    mPropertyList->InsertColumn(0, "Data", wxLIST_FORMAT_LEFT, labels);
    mPropertyList->InsertColumn(1, "Value", wxLIST_FORMAT_LEFT, width - labels);
}

// The values take whatever width the labels leave in the list.
// The values take whatever width the labels leave in the list. The labels keep their width (the opening one, or
// the one the user dragged them to) but never more than five twelfths of a list narrower than it opened.
void SceneBrowserDlg::FitValueColumn() {
    if (mPropertyList->GetColumnCount() < 2) return;
    const wxWindow* rows = mPropertyList->GetMainWindowOfCompositeControl();
    const int width = (rows ? rows : mPropertyList)->GetClientSize().GetWidth();
    if (mLabelWidth == 0) mLabelWidth = mPropertyList->GetColumnWidth(0);
    const int labels = std::min(mLabelWidth, 5 * mPropertyList->GetSize().GetWidth() / 12);
    if (mPropertyList->GetColumnWidth(0) != labels) mPropertyList->SetColumnWidth(0, labels);
    const int value = std::max(width - labels, 40);
    if (mPropertyList->GetColumnWidth(1) != value) mPropertyList->SetColumnWidth(1, value);
}

void SceneBrowserDlg::CreateRootItem() {
    const wxTreeItemId root = mBrowserTree->AddRoot(NameOf(mRootNode), -1, -1, new NodeItem(mRootNode));
    mBrowserTree->AppendItem(root, kPlaceholder);
}

// A node that cannot have children gets no placeholder: its item shows no expand button that opening would drop.
void SceneBrowserDlg::BuildTreeView(const wxTreeItemId& parent, SceneNode* node) {
    const wxTreeItemId item = mBrowserTree->AppendItem(parent, NameOf(node), 0, 1, new NodeItem(node));
    if (node->MayHaveChildren()) mBrowserTree->AppendItem(item, kPlaceholder);
}

void SceneBrowserDlg::BuildRangeItem(const wxTreeItemId& parent, SceneNode* node, int begin, int end) {
    const wxString text = wxString::Format(L"[%d \u2026 %d]", begin, end - 1);
    const wxTreeItemId item = mBrowserTree->AppendItem(parent, text, -1, -1, new NodeItem(node, begin, end));
    mBrowserTree->AppendItem(item, kPlaceholder);
}

// Drops the whole tree, nodes included, and starts again from the root in the current mode. The entity that
// was selected is selected again when this view shows it; either way the host redraws once.
void SceneBrowserDlg::RebuildTreeView() {
    const SceneNode* selected = SelectedNode();
    Objects::ISpatialNode* entity = selected ? selected->TarnEntity() : nullptr;
    mQuiet = true;
    {
        const wxWindowUpdateLocker frozen(mBrowserTree);
        mBrowserTree->DeleteAllItems();
        if (mRootNode) mRootNode->DeleteChildren();
        mPropertyList->DeleteAllItems();
        CreateRootItem();
    }
    ScenePath path;
    if (entity && SceneSearch(mRootNode, mLogicalScene).Locate(entity, path)) SelectAndShow(OpenPath(path));
    mQuiet = false;
    ShowSelection();
}

// Replaces the placeholder by the node's children, or by ranges of them; an item without placeholder was opened
// before. The tree is frozen while it fills.
void SceneBrowserDlg::ExpandItem(const wxTreeItemId& item) {
    if (!item.IsOk()) return;
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = mBrowserTree->GetFirstChild(item, cookie);
    if (!first.IsOk() || mBrowserTree->GetItemText(first) != kPlaceholder) return;
    const wxWindowUpdateLocker frozen(mBrowserTree);
    if (const NodeItem* data = DataOf(mBrowserTree, item); data && data->IsRange()) {
        for (int i = data->mBegin; i < data->mEnd; ++i) BuildTreeView(item, data->mNode->Children()[i]);
    } else if (SceneNode* node = data ? data->mNode : nullptr) {
        node->ExpandChild(node->WorldIterator(), mLogicalScene);
        const int count = node->ChildCount();
        if (count <= kRangeSize) {
            for (SceneNode* child : node->Children()) BuildTreeView(item, child);
        } else {
            for (int begin = 0; begin < count; begin += kRangeSize)
                BuildRangeItem(item, node, begin, std::min(count, begin + kRangeSize));
        }
    }
    mBrowserTree->Delete(first);
    CallAfter(&SceneBrowserDlg::FitTreePane);  // once the tree has placed its new items
}

wxTreeItemId SceneBrowserDlg::ChildItem(const wxTreeItemId& item, SceneNode* node, int index) {
    ExpandItem(item);
    if (node->ChildCount() <= kRangeSize) return NthChild(mBrowserTree, item, index);
    const wxTreeItemId range = NthChild(mBrowserTree, item, index / kRangeSize);
    ExpandItem(range);
    return NthChild(mBrowserTree, range, index % kRangeSize);
}

wxTreeItemId SceneBrowserDlg::OpenPath(const ScenePath& path) {
    wxTreeItemId item = mBrowserTree->GetRootItem();
    SceneNode* node = mRootNode;
    for (Objects::ISpatialNode* entity : path) {
        if (!node || !item.IsOk()) return wxTreeItemId();
        ExpandItem(item);
        SceneNode::NodeList& children = node->Children();
        const auto at = std::find_if(children.begin(), children.end(),
                                     [entity](const SceneNode* child) { return child->TarnEntity() == entity; });
        if (at == children.end()) return wxTreeItemId();
        item = ChildItem(item, node, static_cast<int>(at - children.begin()));
        node = *at;
    }
    return item;
}

void SceneBrowserDlg::SelectAndShow(const wxTreeItemId& item) {
    if (!item.IsOk()) return;
    mBrowserTree->EnsureVisible(item);  // opens every item above it, scrolls to it vertically
    if (mBrowserTree->GetSelection() != item) mBrowserTree->SelectItem(item);
    FitTreePane();
    ShowHorizontally(item);
}

void SceneBrowserDlg::FitTreePane() {
    if (mSashMoved || !mSplitter->IsSplit()) return;
    int widest = 0;
    const int x = mBrowserTree->CalcUnscrolledPosition(wxPoint()).x;
    for (wxTreeItemId item = mBrowserTree->GetFirstVisibleItem(); item.IsOk();
         item = mBrowserTree->GetNextVisible(item)) {
        wxRect text;
        if (mBrowserTree->GetBoundingRect(item, text, true)) widest = std::max(widest, x + text.GetRight());
    }
    const int frame = mBrowserTree->GetSize().x - mBrowserTree->GetClientSize().x;  // border and scroll bar
    const int wanted = widest + 8 + frame + (mSplitter->GetSashPosition() - mBrowserTree->GetSize().x);
    const int half = (mSplitter->GetClientSize().x - mSplitter->GetSashSize()) / 2;
    if (wanted > mSplitter->GetSashPosition()) mSplitter->SetSashPosition(std::min(wanted, half));
}

void SceneBrowserDlg::ShowHorizontally(const wxTreeItemId& item) {
    wxRect text;
    if (!item.IsOk() || !mBrowserTree->GetBoundingRect(item, text, true)) return;
    const int width = mBrowserTree->GetClientSize().x, indent = static_cast<int>(mBrowserTree->GetIndent());
    int shift = 0;
    if (text.GetRight() >= width) shift = text.GetRight() + 1 - width;  // the end of the text in sight
    if (text.x - indent - shift < 0) shift = text.x - indent;          // and its beginning, with the button
    if (shift == 0) return;
    int unitX = 1, unitY = 1, startX = 0, startY = 0;
    mBrowserTree->GetScrollPixelsPerUnit(&unitX, &unitY);
    mBrowserTree->GetViewStart(&startX, &startY);
    if (unitX <= 0) return;
    const int units = shift > 0 ? (shift + unitX - 1) / unitX : -((-shift + unitX - 1) / unitX);
    mBrowserTree->Scroll(std::max(0, startX + units), -1);
}

// The entities from the root down to the item's node; a range stands for its node, anything else for the root.
ScenePath SceneBrowserDlg::PathOf(const wxTreeItemId& item) const {
    ScenePath path;
    const NodeItem* data = DataOf(mBrowserTree, item);
    for (const SceneNode* node = data ? data->mNode : nullptr; node && node != mRootNode; node = node->Parent())
        path.push_back(node->TarnEntity());
    std::reverse(path.begin(), path.end());
    return path;
}

void SceneBrowserDlg::BuildPropertiesView(int& row, Attribute* attribute) {
    mPropertyList->InsertItem(row, attribute->mName.ToChars());
    mPropertyList->SetItem(row, 1, attribute->mValue.ToChars());
    ++row;
    for (Attribute* nested : attribute->mChildren) BuildPropertiesView(row, nested);
}

// Draws the box of whatever is selected now, which need not be the node that armed the callback.
void SceneBrowserDlg::DrawBoundingBox(Devices::ADrawContext& context) {
    SceneNode* node = NodeOf(mBrowserTree->GetSelection());
    if (node && node->TarnEntity()) node->DrawBoundingBox(context);
}

SceneNode* SceneBrowserDlg::NodeOf(const wxTreeItemId& item) const {
    const NodeItem* data = DataOf(mBrowserTree, item);
    return data && !data->IsRange() ? data->mNode : nullptr;
}

SceneNode* SceneBrowserDlg::SelectedNode() const { return NodeOf(mBrowserTree->GetSelection()); }

wxRadioButton* SceneBrowserDlg::Radio(int id) const { return static_cast<wxRadioButton*>(FindWindow(id)); }

bool SceneBrowserDlg::SelectEntity(const Objects::ISpatialNode* entity) {
    ScenePath path;
    if (!SceneSearch(mRootNode, mLogicalScene).Locate(entity, path)) return false;
    const wxTreeItemId item = OpenPath(path);
    SelectAndShow(item);
    return item.IsOk();
}

bool SceneBrowserDlg::Find(const wxString& text, SceneSearch::From from) {
    ScenePath found;
    const bool hit = SceneSearch(mRootNode, mLogicalScene)
                         .Find(text.ToStdWstring(), PathOf(mBrowserTree->GetSelection()), from, found);
    if (hit) SelectAndShow(OpenPath(found));
    ShowSearchStatus(text, hit);
    return hit;
}

void SceneBrowserDlg::FindFromField(SceneSearch::From from) {
    if (!mSearchField->GetValue().empty()) Find(mSearchField->GetValue(), from);
}

// "Not found" in the status and a tinted field; nothing when the text is found or empty.
void SceneBrowserDlg::ShowSearchStatus(const wxString& text, bool found) {
    const bool missing = !found && !text.empty();
    mSearchStatus->SetLabel(missing ? wxString::Format(L"Not found: \u201c%s\u201d", text) : wxString());
    mSearchField->SetBackgroundColour(missing ? wxColour(255, 214, 214) : wxNullColour);
    mSearchField->Refresh();
}

void SceneBrowserDlg::ShowSelection() {
    mPropertyList->DeleteAllItems();
    if (SceneNode* node = SelectedNode()) {
        if (!mDrawBoxCB && node->TarnEntity()) mDrawBoxCB = &SceneBrowserDlg::DrawBoundingBox;
        int row = 0;
        for (Attribute* attribute : node->Attributes()) BuildPropertiesView(row, attribute);
    }
    if (mRenderCB) mRenderCB(mParentWnd);
}

void SceneBrowserDlg::DisarmDrawing() {
    if (!mDrawBoxCB) return;
    mDrawBoxCB = nullptr;
    if (mRenderCB) mRenderCB(mParentWnd);  // the box drawn so far must go
}

// The item shown below `item` when every open item shows its children; invalid after the last.
wxTreeItemId SceneBrowserDlg::ItemBelow(const wxTreeItemId& item) const {
    wxTreeItemIdValue cookie;
    if (mBrowserTree->IsExpanded(item)) {
        const wxTreeItemId child = mBrowserTree->GetFirstChild(item, cookie);
        if (child.IsOk()) return child;
    }
    for (wxTreeItemId up = item; up.IsOk(); up = mBrowserTree->GetItemParent(up)) {
        const wxTreeItemId next = mBrowserTree->GetNextSibling(up);
        if (next.IsOk()) return next;
    }
    return wxTreeItemId();
}

wxTreeItemId SceneBrowserDlg::ItemAbove(const wxTreeItemId& item) const {
    wxTreeItemId above = mBrowserTree->GetPrevSibling(item);
    if (!above.IsOk()) return mBrowserTree->GetItemParent(item);
    while (mBrowserTree->IsExpanded(above) && mBrowserTree->GetChildrenCount(above, false) > 0)
        above = mBrowserTree->GetLastChild(above);
    return above;
}

// A page of rows up or down from the selection, as far as the tree goes.
void SceneBrowserDlg::PageItem(bool down) {
    wxTreeItemId item = mBrowserTree->GetSelection();
    if (!item.IsOk()) return;
    wxRect row;
    const int height = mBrowserTree->GetBoundingRect(item, row) && row.height > 0 ? row.height : 16;
    for (int rows = std::max(1, mBrowserTree->GetClientSize().y / height - 1); rows > 0; --rows) {
        const wxTreeItemId next = down ? ItemBelow(item) : ItemAbove(item);
        if (!next.IsOk()) break;
        item = next;
    }
    SelectAndShow(item);
}

void SceneBrowserDlg::ToggleItem(const wxTreeItemId& item) {
    if (!item.IsOk()) return;
    if (mBrowserTree->IsExpanded(item)) mBrowserTree->Collapse(item);
    else mBrowserTree->Expand(item);
}

// Selected rows as "label<TAB>value" lines.
void SceneBrowserDlg::CopySelectedRows() {
    wxString text;
    for (long row = mPropertyList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = mPropertyList->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        if (!text.empty()) text += '\n';
        text += mPropertyList->GetItemText(row, 0) + '\t' + mPropertyList->GetItemText(row, 1);
    }
    if (!text.empty()) PutOnClipboard(text);
}

// The node's name and, when it stands for an entity, its full address: "<0x1a2b3c4d>GeometryNode<TAB>0x55d01a2b3c4d".
void SceneBrowserDlg::CopyNode(const wxTreeItemId& item) {
    const SceneNode* node = NodeOf(item);
    if (!node) return;
    wxString text = NameOf(node);
    if (node->TarnEntity()) text += '\t' + AddressText(node->TarnEntity());
    PutOnClipboard(text);
}

void SceneBrowserDlg::SelectAllRows() {
    for (int row = 0; row < mPropertyList->GetItemCount(); ++row)
        mPropertyList->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void SceneBrowserDlg::FocusSearch() {
    Raise();
    mSearchField->SetFocus();
    mSearchField->SelectAll();
}

// Escape in the search field: the search is dropped, the selection stays, and keys go to the tree again.
void SceneBrowserDlg::LeaveSearchField() {
    mSearchField->ChangeValue(wxEmptyString);
    ShowSearchStatus(wxEmptyString, true);
    mBrowserTree->SetFocus();
}

bool SceneBrowserDlg::InSearchField(const wxWindow* window) const {
    for (; window && window != this; window = window->GetParent())
        if (window == mSearchField) return true;
    return false;
}

// ---- Handlers

void SceneBrowserDlg::OnPaint(wxPaintEvent& event) { event.Skip(); }

void SceneBrowserDlg::OnClose(wxCloseEvent& event) {
    if (mParentWnd) {
        wxCommandEvent notice(EVT_SCENE_BROWSER_NOTIFY, GetId());
        notice.SetEventObject(this);
        notice.SetInt(kNotifyMessage);
        notice.SetExtraLong(kNotifyClosed);
        mParentWnd->GetEventHandler()->ProcessEvent(notice);
    }
    event.Skip();  // the dialog's own close handling hides the window
    DisarmDrawing();
}

void SceneBrowserDlg::OnOK(wxCommandEvent&) {
    AcceptAndClose();
    DisarmDrawing();
}

// The dialog's keys, whichever control has the focus. Escape outside the search field goes on to the dialog,
// which presses OK.
void SceneBrowserDlg::OnCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    const wxWindow* focus = FindFocus();
    const bool enter = key == WXK_RETURN || key == WXK_NUMPAD_ENTER;
    const bool inSearch = InSearchField(focus);
    if (modifiers == wxMOD_CONTROL && key == 'F') {
        FocusSearch();
    } else if (key == WXK_F3 && (modifiers == wxMOD_NONE || modifiers == wxMOD_SHIFT)) {
        FindFromField(modifiers == wxMOD_SHIFT ? SceneSearch::From::Previous : SceneSearch::From::Next);
    } else if (enter && inSearch && (modifiers == wxMOD_NONE || modifiers == wxMOD_SHIFT)) {
        FindFromField(modifiers == wxMOD_SHIFT ? SceneSearch::From::Previous : SceneSearch::From::Next);
    } else if ((key == WXK_UP || key == WXK_DOWN) && inSearch && modifiers == wxMOD_NONE) {
        FindFromField(key == WXK_UP ? SceneSearch::From::Previous : SceneSearch::From::Next);
    } else if (key == WXK_ESCAPE && inSearch && modifiers == wxMOD_NONE) {
        LeaveSearchField();
    } else if (enter && focus == mBrowserTree && modifiers == wxMOD_NONE) {
        ToggleItem(mBrowserTree->GetSelection());
    } else if ((key == WXK_PAGEDOWN || key == WXK_PAGEUP) && focus == mBrowserTree && modifiers == wxMOD_NONE) {
        PageItem(key == WXK_PAGEDOWN);
    } else if (modifiers == wxMOD_CONTROL && key == 'C' && focus == mPropertyList) {
        CopySelectedRows();
    } else if (modifiers == wxMOD_CONTROL && key == 'C' && focus == mBrowserTree) {
        CopyNode(mBrowserTree->GetSelection());
    } else if (modifiers == wxMOD_CONTROL && key == 'A' && focus == mPropertyList) {
        SelectAllRows();
    } else {
        event.Skip();
    }
}

// Typing a name in the tree starts a search with it: every name begins with "<0x", so the tree's own
// first-letter search could find nothing useful.
void SceneBrowserDlg::OnTreeChar(wxKeyEvent& event) {
    const wxChar typed = event.GetUnicodeKey();
    const bool text = typed != WXK_NONE && (event.GetModifiers() & ~wxMOD_SHIFT) == 0 && wxIsprint(typed) &&
                      !wxStrchr(L"+-* ", typed);
    if (!text) {
        event.Skip();
        return;
    }
    mSearchField->SetFocus();
    mSearchField->SetValue(wxString(typed));
    mSearchField->SetInsertionPointEnd();
}

void SceneBrowserDlg::OnNMDblClickBrowserTree(wxTreeEvent& event) {
    ExpandItem(mBrowserTree->GetSelection());
    event.Skip();  // the tree then toggles the item as usual
}

void SceneBrowserDlg::OnTvnItemexpandingTree(wxTreeEvent& event) { ExpandItem(event.GetItem()); }

void SceneBrowserDlg::OnTvnSelchangedBrowserTree(wxTreeEvent&) {
    if (!mQuiet) ShowSelection();
}

void SceneBrowserDlg::OnTreeItemMenu(wxTreeEvent& event) {
    mMenuItem = event.GetItem();
    if (!NodeOf(mMenuItem)) return;
    wxMenu menu;
    menu.Append(ID_COPY_NODE, "&Copy Name and Address\tCtrl+C");
    PopupMenu(&menu);
}

void SceneBrowserDlg::OnBnClickedLogicalSceneRadio(wxCommandEvent&) {
    mLogicalScene = Radio(IDC_LOGICAL_SCENE_RADIO)->GetValue();
    RebuildTreeView();
}

void SceneBrowserDlg::OnBnClickedSpatialRadio(wxCommandEvent&) {
    mLogicalScene = !Radio(IDC_SPATIAL_RADIO)->GetValue();
    RebuildTreeView();
}

// Typing searches on from the selection, which stays while it still matches.
void SceneBrowserDlg::OnSearchText(wxCommandEvent&) {
    const wxString text = mSearchField->GetValue();
    if (text.empty()) ShowSearchStatus(text, true);
    else Find(text, SceneSearch::From::Here);
}

void SceneBrowserDlg::OnSearchNext(wxCommandEvent&) { FindFromField(SceneSearch::From::Next); }

void SceneBrowserDlg::OnSearchPrevious(wxCommandEvent&) { FindFromField(SceneSearch::From::Previous); }

void SceneBrowserDlg::OnListContextMenu(wxContextMenuEvent&) {
    wxMenu menu;
    menu.Append(ID_COPY_ROWS, "&Copy\tCtrl+C");
    menu.Append(ID_SELECT_ALL_ROWS, "Select &All\tCtrl+A");
    menu.Enable(ID_COPY_ROWS, mPropertyList->GetSelectedItemCount() > 0);
    PopupMenu(&menu);
}

void SceneBrowserDlg::OnListColumnDragged(wxListEvent& event) {
    event.Skip();
    if (event.GetColumn() != 0) return;
    CallAfter([this] {
        mLabelWidth = mPropertyList->GetColumnWidth(0);
        FitValueColumn();
    });
}

void SceneBrowserDlg::OnCopyRows(wxCommandEvent&) { CopySelectedRows(); }

void SceneBrowserDlg::OnSelectAllRows(wxCommandEvent&) { SelectAllRows(); }

void SceneBrowserDlg::OnCopyNode(wxCommandEvent&) {
    CopyNode(mMenuItem.IsOk() ? mMenuItem : mBrowserTree->GetSelection());
    mMenuItem = wxTreeItemId();
}

} // namespace Tarn::Utilities
