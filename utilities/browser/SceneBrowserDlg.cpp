#include "utilities/browser/SceneBrowserDlg.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>

namespace Tarn::Utilities {

wxDEFINE_EVENT(EVT_SCENE_BROWSER_NOTIFY, wxCommandEvent);

namespace {

// The child that marks a node's item as not yet opened.
const wchar_t* const kPlaceholder = L"Dummy";

// Ties a tree item to its node; the tree deletes it with the item, never the node.
class NodeItem : public wxTreeItemData {
public:
    explicit NodeItem(SceneNode* node) : mNode(node) {}
    SceneNode* mNode;
};

wxString NameOf(const SceneNode* node) {
    return node && node->Name() ? wxString(node->Name()->Text()) : wxString();
}

} // namespace

wxIMPLEMENT_CLASS(SceneBrowserDlg, wxDialog);

// clang-format off
wxBEGIN_EVENT_TABLE(SceneBrowserDlg, wxDialog)
    EVT_PAINT(SceneBrowserDlg::OnPaint)
    EVT_CLOSE(SceneBrowserDlg::OnClose)
    EVT_BUTTON(wxID_OK, SceneBrowserDlg::OnOK)
    EVT_TREE_ITEM_ACTIVATED(IDC_BROWSER_TREE, SceneBrowserDlg::OnNMDblClickBrowserTree)
    EVT_TREE_SEL_CHANGED(IDC_BROWSER_TREE, SceneBrowserDlg::OnTvnSelchangedBrowserTree)
    EVT_TREE_ITEM_EXPANDING(IDC_BROWSER_TREE, SceneBrowserDlg::OnTvnItemexpandingTree)
    EVT_TREE_ITEM_COLLAPSING(IDC_BROWSER_TREE, SceneBrowserDlg::OnTvnItemexpandingTree)
    EVT_RADIOBUTTON(IDC_LOGICAL_SCENE_RADIO, SceneBrowserDlg::OnBnClickedLogicalSceneRadio)
    EVT_RADIOBUTTON(IDC_SPATIAL_RADIO, SceneBrowserDlg::OnBnClickedSpatialRadio)
wxEND_EVENT_TABLE()
// clang-format on

SceneBrowserDlg::SceneBrowserDlg(SceneNode* root, wxWindow* parent)
    : wxDialog(parent, IDD_SCENE_BROWSER, "Scene Browser", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      mParentWnd(parent),
      mRootNode(root) {
    CreateControls();
    OnInitDialog();
    Show();
}

SceneBrowserDlg::~SceneBrowserDlg() {
    mDrawBoxCB = nullptr;
    // No item may outlive the nodes that its data points to.
    mBrowserTree->DeleteAllItems();
    delete mRootNode;
    mRootNode = nullptr;
}

// The layout that the fixed control ids belong to: the view choice above, tree and rows side by side, OK below.
void SceneBrowserDlg::CreateControls() {
    auto* modes = new wxBoxSizer(wxHORIZONTAL);
    modes->Add(new wxRadioButton(this, IDC_LOGICAL_SCENE_RADIO, "Logical scene", wxDefaultPosition, wxDefaultSize,
                                 wxRB_GROUP),
               0, wxRIGHT, 12);
    modes->Add(new wxRadioButton(this, IDC_SPATIAL_RADIO, "Spatial"), 0);

    mBrowserTree = new wxTreeCtrl(this, IDC_BROWSER_TREE, wxDefaultPosition, wxSize(300, 420),
                                  wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_SINGLE);
    mPropertyList = new wxListCtrl(this, IDC_PROPERTIES_LIST, wxDefaultPosition, wxSize(600, 420),
                                   wxLC_REPORT | wxLC_SINGLE_SEL);
    auto* views = new wxBoxSizer(wxHORIZONTAL);
    views->Add(mBrowserTree, 1, wxEXPAND | wxRIGHT, 8);
    views->Add(mPropertyList, 0, wxEXPAND);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(modes, 0, wxALL, 8);
    top->Add(views, 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
    top->Add(CreateStdDialogButtonSizer(wxOK), 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);
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

void SceneBrowserDlg::CreateRootItem() {
    const wxTreeItemId root = mBrowserTree->AddRoot(NameOf(mRootNode), -1, -1, new NodeItem(mRootNode));
    mBrowserTree->AppendItem(root, kPlaceholder);
}

void SceneBrowserDlg::BuildTreeView(const wxTreeItemId& parent, SceneNode* node) {
    const wxTreeItemId item = mBrowserTree->AppendItem(parent, NameOf(node), 0, 1, new NodeItem(node));
    mBrowserTree->AppendItem(item, kPlaceholder);
}

// Drops the whole tree, nodes included, and starts again from the root in the current mode.
void SceneBrowserDlg::RebuildTreeView() {
    mBrowserTree->DeleteAllItems();
    if (mRootNode) mRootNode->DeleteChildren();
    mPropertyList->DeleteAllItems();
    CreateRootItem();
}

// Replaces the placeholder by the node's children; an item without placeholder was opened before.
void SceneBrowserDlg::ExpandItem(const wxTreeItemId& item) {
    if (!item.IsOk()) return;
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = mBrowserTree->GetFirstChild(item, cookie);
    if (!first.IsOk() || mBrowserTree->GetItemText(first) != kPlaceholder) return;
    if (SceneNode* node = NodeOf(item)) {
        node->ExpandChild(node->WorldIterator(), mLogicalScene);
        for (SceneNode* child : node->Children()) BuildTreeView(item, child);
    }
    mBrowserTree->Delete(first);
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
    if (!item.IsOk()) return nullptr;
    const auto* data = static_cast<const NodeItem*>(mBrowserTree->GetItemData(item));
    return data ? data->mNode : nullptr;
}

wxRadioButton* SceneBrowserDlg::Radio(int id) const { return static_cast<wxRadioButton*>(FindWindow(id)); }

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
    mDrawBoxCB = nullptr;
}

void SceneBrowserDlg::OnOK(wxCommandEvent&) {
    AcceptAndClose();
    mDrawBoxCB = nullptr;
}

void SceneBrowserDlg::OnNMDblClickBrowserTree(wxTreeEvent& event) {
    ExpandItem(mBrowserTree->GetSelection());
    event.Skip();  // the tree then toggles the item as usual
}

void SceneBrowserDlg::OnTvnItemexpandingTree(wxTreeEvent& event) { ExpandItem(event.GetItem()); }

void SceneBrowserDlg::OnTvnSelchangedBrowserTree(wxTreeEvent&) {
    mPropertyList->DeleteAllItems();
    if (SceneNode* node = NodeOf(mBrowserTree->GetSelection())) {
        if (!mDrawBoxCB && node->TarnEntity()) mDrawBoxCB = &SceneBrowserDlg::DrawBoundingBox;
        int row = 0;
        for (Attribute* attribute : node->Attributes()) BuildPropertiesView(row, attribute);
    }
    if (mRenderCB) mRenderCB(mParentWnd);
}

void SceneBrowserDlg::OnBnClickedLogicalSceneRadio(wxCommandEvent&) {
    mLogicalScene = Radio(IDC_LOGICAL_SCENE_RADIO)->GetValue();
    RebuildTreeView();
}

void SceneBrowserDlg::OnBnClickedSpatialRadio(wxCommandEvent&) {
    mLogicalScene = !Radio(IDC_SPATIAL_RADIO)->GetValue();
    RebuildTreeView();
}

} // namespace Tarn::Utilities
