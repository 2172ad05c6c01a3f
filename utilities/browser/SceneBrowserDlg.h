// SceneBrowserDlg: the scene browser, a modeless dialog that the host opens over its own window.
//
// The tree shows SceneNodes and is built lazily: a node's item starts with one "Dummy" child, which gives it an
// expand button and is replaced by the node's children when the item is first opened. The list shows the rows
// of the selected node. Two radio buttons choose the logical-scene view (render nodes only) or the spatial view
// (cells as nodes); switching rebuilds the tree from the root.
//
//   auto* browser = new SceneBrowserDlg(root, hostWindow);  // shown at once; owns `root` from now on
//   browser->RenderCB(&Redraw);                             // called after every change of selection
//   // while drawing a frame:
//   if (SceneBrowserDlg::DrawBoxFn draw = browser->DrawBoxCB()) (browser->*draw)(drawContext);
//   // EVT_SCENE_BROWSER_NOTIFY reaches hostWindow, synchronously, when the user closes the browser
//   browser->Destroy();                                     // deletes the root and its tree
//
// The browser only hides on OK or close; the host decides when to destroy it.
#pragma once

#include "engine/devices/Draw.h"
#include "platform/Export.h"
#include "utilities/browser/SceneNode.h"

#include <wx/dialog.h>
#include <wx/treectrl.h>

class wxListCtrl;
class wxRadioButton;

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

    enum {
        IDD_SCENE_BROWSER = 101,
        IDC_BROWSER_TREE = 1001,
        IDC_PROPERTIES_LIST = 1002,
        IDC_LOGICAL_SCENE_RADIO = 1003,
        IDC_SPATIAL_RADIO = 1004,
    };

    // Creates and shows the window. Takes ownership of `root`.
    SceneBrowserDlg(SceneNode* root, wxWindow* parent);
    ~SceneBrowserDlg() override;

    // The member that draws the selected node's box, or null while there is nothing to draw.
    DrawBoxFn DrawBoxCB() const { return mDrawBoxCB; }
    void RenderCB(RenderFn render) { mRenderCB = render; }

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
    void OnNMDblClickBrowserTree(wxTreeEvent& event);
    void OnTvnSelchangedBrowserTree(wxTreeEvent& event);
    void OnTvnItemexpandingTree(wxTreeEvent& event);
    void OnBnClickedLogicalSceneRadio(wxCommandEvent& event);
    void OnBnClickedSpatialRadio(wxCommandEvent& event);

    wxWindow* mParentWnd;
    wxListCtrl* mPropertyList = nullptr;
    wxTreeCtrl* mBrowserTree = nullptr;
    SceneNode* mRootNode;
    bool mLogicalScene = true;
    DrawBoxFn mDrawBoxCB = nullptr;
    RenderFn mRenderCB = nullptr;

private:
    void CreateControls();
    SceneNode* NodeOf(const wxTreeItemId& item) const;
    wxRadioButton* Radio(int id) const;

    wxDECLARE_CLASS(SceneBrowserDlg);
    wxDECLARE_EVENT_TABLE();
};

} // namespace Tarn::Utilities
