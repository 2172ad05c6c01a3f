// SceneBrowserDlg: the scene browser, a modeless dialog that the host opens over its own window.
//
// The tree shows SceneNodes and is built lazily: a node's item starts with one "Dummy" child, which gives it an
// expand button and is replaced by the node's children when the item is first opened; a node whose iteration
// yields nothing gets no placeholder, so no button. A node of more than
// kRangeSize children shows them in items of kRangeSize each ("[0 … 999]"), opened the same way, so that the
// toolkit never lays out more than a few thousand new items at once. The list shows the rows of the selected
// node. Two radio buttons choose the logical-scene view (render nodes only) or the spatial view (cells as
// nodes); switching rebuilds the tree from the root and selects the same entity again when the view shows it.
//
//   auto* browser = new SceneBrowserDlg(root, hostWindow);  // shown at once; owns `root` from now on
//   browser->RenderCB(&Redraw);                             // after every change of what is to be drawn
//   // while drawing a frame:
//   if (SceneBrowserDlg::DrawBoxFn draw = browser->DrawBoxCB()) (browser->*draw)(drawContext);
//   browser->SelectEntity(clickedNode);                     // the host picked something in its own view
//   // EVT_SCENE_BROWSER_NOTIFY reaches hostWindow, synchronously, when the user closes the browser
//   browser->Destroy();                                     // deletes the root and its tree
//
// The browser only hides on OK, Escape or close; the host decides when to destroy it.
//
// Keys: the browser opens with the focus in the tree. Enter opens or closes the selected item; arrows, Home, End,
// Page Up and Page Down move through the tree and open levels as they go; Ctrl+F, or typing in the tree, goes to
// the search field, where typing selects the next node whose name or address contains the text; Down, Enter or F3
// the next one, Up, Shift+Enter or Shift+F3 the previous one; Escape there clears the search and goes back to the
// tree. Ctrl+C copies the selected rows (in the list) or the selected node's name and address (in the tree);
// Ctrl+A selects every row; Alt+L and Alt+S choose the view; Escape closes.
#pragma once

#include "engine/devices/Draw.h"
#include "platform/Export.h"
#include "utilities/browser/SceneNode.h"
#include "utilities/browser/SceneSearch.h"

#include <wx/dialog.h>
#include <wx/treectrl.h>

class wxListCtrl;
class wxListEvent;
class wxRadioButton;
class wxSearchCtrl;
class wxSplitterWindow;
class wxStaticText;

namespace Tarn::Utilities {

// Sent to the parent window while the browser closes. GetInt() is the message, kNotifyMessage; GetExtraLong()
// the notification, kNotifyClosed.
wxDECLARE_EXPORTED_EVENT(TARN_API, EVT_SCENE_BROWSER_NOTIFY, wxCommandEvent);

class TARN_API SceneBrowserDlg : public wxDialog {
public:
    using DrawBoxFn = void (SceneBrowserDlg::*)(Devices::ADrawContext&);
    using RenderFn = void (*)(wxWindow*);

    static constexpr int kNotifyMessage = 0x0405;
    static constexpr long kNotifyClosed = 5;
    // The most children a node's item holds directly; more are grouped in items of this many.
    static constexpr int kRangeSize = 1000;

    enum {
        IDD_SCENE_BROWSER = 101,
        IDC_BROWSER_TREE = 1001,
        IDC_PROPERTIES_LIST = 1002,
        IDC_LOGICAL_SCENE_RADIO = 1003,
        IDC_SPATIAL_RADIO = 1004,
        IDC_SEARCH_FIELD = 1005,
        IDC_SEARCH_PREVIOUS = 1006,
        IDC_SEARCH_NEXT = 1007,
        IDC_SEARCH_STATUS = 1008,
        ID_COPY_ROWS = 1010,      // list menu: the selected rows
        ID_SELECT_ALL_ROWS = 1011,
        ID_COPY_NODE = 1012,      // tree menu: the item's name and address
    };

    // Creates and shows the window. Takes ownership of `root`.
    SceneBrowserDlg(SceneNode* root, wxWindow* parent);
    ~SceneBrowserDlg() override;

    // The member that draws the selected node's box, or null while there is nothing to draw.
    DrawBoxFn DrawBoxCB() const { return mDrawBoxCB; }
    // Called with the parent window after every change of selection and whenever the box drawn so far goes
    // away: the drawing member disarmed (OK, Escape, close) or the selection dropped by a rebuild.
    void RenderCB(RenderFn render) { mRenderCB = render; }

    // Selects the node that stands for `entity` in the current view, opening the items on the way to it, as a
    // click in the tree would. False, and nothing changed, when the view does not show the entity.
    bool SelectEntity(const Objects::ISpatialNode* entity);
    // The selected node, or null when the selection is not a node (or there is none).
    SceneNode* SelectedNode() const;
    // What the search field does: selects the node that the search finds from the selection on, or says that
    // there is none. False when nothing matches.
    bool Find(const wxString& text, SceneSearch::From from);
    // Raises the browser and puts the keyboard focus in the search field, its text selected: what Ctrl+F does,
    // for a host that offers the same key in its own window.
    void FocusSearch();

protected:
    bool OnInitDialog();
    void InsertPropertyColumns();
    void DrawBoundingBox(Devices::ADrawContext& context);
    void CreateRootItem();
    void BuildTreeView(const wxTreeItemId& parent, SceneNode* node);
    void RebuildTreeView();
    void ExpandItem(const wxTreeItemId& item);
    void BuildPropertiesView(int& row, Attribute* attribute);

    void OnPaint(wxPaintEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnOK(wxCommandEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnTreeChar(wxKeyEvent& event);
    void OnNMDblClickBrowserTree(wxTreeEvent& event);
    void OnTvnSelchangedBrowserTree(wxTreeEvent& event);
    void OnTvnItemexpandingTree(wxTreeEvent& event);
    void OnTreeItemMenu(wxTreeEvent& event);
    void OnBnClickedLogicalSceneRadio(wxCommandEvent& event);
    void OnBnClickedSpatialRadio(wxCommandEvent& event);
    void OnSearchText(wxCommandEvent& event);
    void OnSearchNext(wxCommandEvent& event);
    void OnSearchPrevious(wxCommandEvent& event);
    void OnListContextMenu(wxContextMenuEvent& event);
    void OnListColumnDragged(wxListEvent& event);
    void OnCopyRows(wxCommandEvent& event);
    void OnSelectAllRows(wxCommandEvent& event);
    void OnCopyNode(wxCommandEvent& event);

    wxWindow* mParentWnd;
    wxListCtrl* mPropertyList = nullptr;
    wxTreeCtrl* mBrowserTree = nullptr;
    SceneNode* mRootNode;
    bool mLogicalScene = true;
    DrawBoxFn mDrawBoxCB = nullptr;
    RenderFn mRenderCB = nullptr;

private:
    void CreateControls();
    void AllowShrinking();
    void PlaceOnScreen();
    SceneNode* NodeOf(const wxTreeItemId& item) const;
    wxRadioButton* Radio(int id) const;

    // What a change of selection does: the rows, the drawing member, the host's redraw.
    void ShowSelection();
    // Disarms the drawing member; the host redraws when something was armed.
    void DisarmDrawing();
    void BuildRangeItem(const wxTreeItemId& parent, SceneNode* node, int begin, int end);
    // The item of child `index` of `node`, whose item is `item`, opened on the way.
    wxTreeItemId ChildItem(const wxTreeItemId& item, SceneNode* node, int index);
    // The item of the node at `path`, every level on the way opened; invalid when the tree no longer has it.
    wxTreeItemId OpenPath(const ScenePath& path);
    void SelectAndShow(const wxTreeItemId& item);
    ScenePath PathOf(const wxTreeItemId& item) const;
    void FindFromField(SceneSearch::From from);
    void ShowSearchStatus(const wxString& text, bool found);
    void ToggleItem(const wxTreeItemId& item);
    wxTreeItemId ItemBelow(const wxTreeItemId& item) const;
    wxTreeItemId ItemAbove(const wxTreeItemId& item) const;
    void PageItem(bool down);
    void CopySelectedRows();
    void SelectAllRows();
    void CopyNode(const wxTreeItemId& item);
    void FitValueColumn();
    // Widens the tree's pane to its widest item on screen, up to half the width, unless the user placed the sash.
    void FitTreePane();
    // Scrolls the tree sideways as far as it takes to show the item's text.
    void ShowHorizontally(const wxTreeItemId& item);
    bool InSearchField(const wxWindow* window) const;
    void LeaveSearchField();

    wxSplitterWindow* mSplitter = nullptr;  // the tree's pane (the search field over the tree) | the list
    bool mSashMoved = false;                 // the user placed the sash: it is not moved to fit the tree
    wxSearchCtrl* mSearchField = nullptr;
    wxStaticText* mSearchStatus = nullptr;
    bool mQuiet = false;      // selection events while the tree is rebuilt are not the user's changes
    int mLabelWidth = 0;      // the label column's width as opened or dragged; 0 until the list is laid out
    wxTreeItemId mMenuItem;   // the item whose context menu is open

    wxDECLARE_CLASS(SceneBrowserDlg);
    wxDECLARE_EVENT_TABLE();
};

} // namespace Tarn::Utilities
