#include "examples/browser/WorldView.h"

#include "engine/devices/Sys.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/treectrl.h>

#include <algorithm>
#include <set>

namespace Tarn::Demo {

using Objects::Box3;
using Utilities::SceneBrowserDlg;

// ---- TopView

TopView::TopView(const Box3& world, const wxSize& client) : mMargin(16), mHeight(client.GetHeight()) {
    const double width = std::max(world.mMax[0] - world.mMin[0], 1e-9);
    const double depth = std::max(world.mMax[1] - world.mMin[1], 1e-9);
    const int usableX = std::max(client.GetWidth() - 2 * mMargin, 1);
    const int usableY = std::max(client.GetHeight() - 2 * mMargin, 1);
    mScale = std::min(usableX / width, usableY / depth);
    mLeft = world.mMin[0];
    mBottom = world.mMin[1];
}

wxPoint TopView::At(double x, double y) const {
    return wxPoint(mMargin + static_cast<int>((x - mLeft) * mScale),
                   mHeight - mMargin - static_cast<int>((y - mBottom) * mScale));
}

wxRect TopView::Footprint(const Box3& box) const {
    return wxRect(At(box.mMin[0], box.mMax[1]), At(box.mMax[0], box.mMin[1]));
}

// ---- WindowDrawManager

void WindowDrawManager::DrawBox(Devices::ADrawContext& context, const Box3& box,
                                const Objects::SharedMatrix* transform, bool solid, const float colour[4]) {
    auto* window = dynamic_cast<WindowDrawContext*>(&context);
    if (!window) return;
    Box3 placed = box;
    if (transform) {  // seen from above, only the translation shows
        for (int axis = 0; axis < 2; ++axis) {
            placed.mMin[axis] += transform->mMatrix.m[3][axis];
            placed.mMax[axis] += transform->mMatrix.m[3][axis];
        }
    }
    const auto channel = [&](int i) { return static_cast<unsigned char>(std::clamp(colour[i], 0.0f, 1.0f) * 255); };
    const wxColour drawn(channel(0), channel(1), channel(2), channel(3));
    window->mDC.SetPen(wxPen(drawn, 3));
    window->mDC.SetBrush(solid ? wxBrush(drawn) : *wxTRANSPARENT_BRUSH);
    window->mDC.DrawRectangle(window->mView.Footprint(placed));
}

// ---- WorldView

namespace {

enum { kOpenBrowser = wxID_HIGHEST + 1 };

// Every render node below `node`, each once, by the iterators the browser uses too.
void CollectRenderNodes(Objects::ISpatialNode* node, std::vector<const Graphics::ARenderNode*>& nodes,
                        std::set<const Objects::ISpatialNode*>& seen) {
    if (!node || !seen.insert(node).second) return;
    if (auto* render = static_cast<Graphics::ARenderNode*>(node->QueryInterface(Graphics::ARenderNode::InterfaceID())))
        nodes.push_back(render);
    Objects::IWorldIterator* children = node->ChildIterator();
    if (!children) return;
    while (Objects::ISpatialNode* child = children->Next()) CollectRenderNodes(child, nodes, seen);
    children->Release();
}

} // namespace

WorldView::WorldView(int objects)
    : wxFrame(nullptr, wxID_ANY, "Tarn scene browser demo", wxPoint(0, 0), wxSize(640, 560)),
      mScene(std::make_unique<DemoScene>(objects)) {
    Graphics::ConsolidatedWorld* world = mScene->World();
    mBounds = world->mCells[0]->WorldBox();
    std::set<const Objects::ISpatialNode*> seen;
    for (Graphics::BSPCell* cell : world->mCells) CollectRenderNodes(cell, mNodes, seen);
    Devices::Sys::mDrawManager = &mDrawManager;

    auto* view = new wxMenu;
    view->Append(kOpenBrowser, "Scene &Browser\tCtrl+B", "Open the scene browser");
    auto* file = new wxMenu;
    file->Append(wxID_EXIT, "&Quit\tCtrl+Q");
    auto* menus = new wxMenuBar;
    menus->Append(file, "&File");
    menus->Append(view, "&View");
    SetMenuBar(menus);
    CreateStatusBar();
    SetStatusText(wxString::Format("%d render nodes. Select one in the browser to see its box in red.",
                                   static_cast<int>(mNodes.size())));
    SetBackgroundStyle(wxBG_STYLE_PAINT);

    Bind(wxEVT_PAINT, &WorldView::OnPaint, this);
    Bind(Utilities::EVT_SCENE_BROWSER_NOTIFY, &WorldView::OnBrowserNotify, this);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OpenBrowser(); }, kOpenBrowser);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, wxID_EXIT);
}

WorldView::~WorldView() {
    delete mBrowser;  // its tree points into the world, which goes next
    if (Devices::Sys::mDrawManager == &mDrawManager) Devices::Sys::mDrawManager = nullptr;
}

void WorldView::OpenBrowser() {
    delete mBrowser;
    mBrowser = nullptr;
    auto* root = new Utilities::SceneNode(nullptr);
    root->Name(Objects::Intern(L"World"));
    root->WorldIterator(mScene->World()->TopLevelIterator());
    mBrowser = new SceneBrowserDlg(root, this);
    mBrowser->RenderCB(&WorldView::Redraw);
    mBrowser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE)->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
        ++mBrowserPaints;
        event.Skip();
    });
    mBrowser->Move(GetScreenRect().GetRight() + 8, GetScreenPosition().y);
    SetStatusText("Logical scene: render nodes only. Spatial: the cells too.");
}

void WorldView::SelectFirstNode() {
    if (!mBrowser) return;
    auto* tree = static_cast<wxTreeCtrl*>(mBrowser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
    const wxTreeItemId root = tree->GetRootItem();
    tree->Expand(root);
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = tree->GetFirstChild(root, cookie);
    if (first.IsOk()) tree->SelectItem(first);
}

bool WorldView::PaintBoth() {
    const int window = mPaints, browser = mBrowserPaints;
    Refresh();
    if (mBrowser) mBrowser->Refresh();
    return PumpUntil([&] { return mPaints > window && (!mBrowser || mBrowserPaints > browser); });
}

wxRect WorldView::ScreenArea() const {
    wxRect area = GetScreenRect();
    if (mBrowser && mBrowser->IsShown()) area.Union(mBrowser->GetScreenRect());
    return area;
}

void WorldView::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    ++mPaints;
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    const TopView view(mBounds, GetClientSize());

    dc.SetPen(wxPen(wxColour(200, 200, 200), 1));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(view.Footprint(mBounds));
    for (const Graphics::ARenderNode* node : mNodes) {
        const bool hidden = node->mFlags & Graphics::ARenderNode::kHidden;
        dc.SetPen(wxPen(wxColour(70, 110, 160), 1, hidden ? wxPENSTYLE_SHORT_DASH : wxPENSTYLE_SOLID));
        dc.SetBrush(hidden ? *wxTRANSPARENT_BRUSH : wxBrush(wxColour(205, 220, 240)));
        dc.DrawRectangle(view.Footprint(node->mBox));
    }

    // The browser hands out its drawing member only while it has something to draw. (A local, because GCC's vptr
    // sanitizer misreads `->*` applied to a data member directly.)
    WindowDrawContext context(dc, view);
    if (SceneBrowserDlg* browser = mBrowser) {
        if (SceneBrowserDlg::DrawBoxFn draw = browser->DrawBoxCB()) (browser->*draw)(context);
    }
}

void WorldView::OnBrowserNotify(wxCommandEvent& event) {
    if (event.GetInt() != SceneBrowserDlg::kNotifyMessage || event.GetExtraLong() != SceneBrowserDlg::kNotifyClosed)
        return;
    SetStatusText("Scene browser closed. View > Scene Browser (Ctrl+B) opens it again.");
    Refresh();
}

void WorldView::Redraw(wxWindow* window) {
    if (window) window->Refresh();
}

// ---- Helpers

bool PumpUntil(const std::function<bool()>& done, int idleRounds) {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (!loop) return done();
    for (int idle = 0, rounds = 0; !done(); ++rounds) {
        const int dispatched = loop->DispatchTimeout(1000);
        if (dispatched < 0 ? ++idle >= idleRounds : (idle = 0, rounds >= 1000000)) return false;
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    return true;
}

bool SaveScreenshot(const wxRect& area, const wxString& path) {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    wxScreenDC screen;
    wxBitmap shot(area.GetWidth(), area.GetHeight());
    {
        wxMemoryDC memory(shot);
        memory.Blit(0, 0, area.GetWidth(), area.GetHeight(), &screen, area.GetX(), area.GetY());
    }
    return shot.ConvertToImage().SaveFile(path, wxBITMAP_TYPE_PNG);
}

} // namespace Tarn::Demo
