#include "examples/browser/WorldView.h"

#include "engine/devices/Sys.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/Walking.h"

#include <wx/app.h>
#include <wx/display.h>
#include <wx/dcclient.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/treectrl.h>

#include <algorithm>
#include <set>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace Tarn::Demo {

using Objects::Box3;
using Utilities::SceneBrowserDlg;
using Utilities::SceneNode;

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

// ---- Placement

wxRect Inside(const wxRect& area, wxRect rect) {
    rect.width = std::min(rect.width, area.width);
    rect.height = std::min(rect.height, area.height);
    rect.x = std::clamp(rect.x, area.x, area.GetRight() + 1 - rect.width);
    rect.y = std::clamp(rect.y, area.y, area.GetBottom() + 1 - rect.height);
    return rect;
}

SideBySide PlaceSideBySide(const wxRect& area, const wxRect& host, const wxSize& hostMin, const wxSize& browser,
                           const wxSize& browserMin) {
    wxRect placedHost = Inside(area, host);
    wxRect placedBrowser = Inside(area, wxRect(placedHost.GetTopLeft(), browser));
    const auto room = [&] { return area.GetRight() - placedHost.GetRight() - WorldView::kGap; };
    const int least = std::min(browserMin.x, placedBrowser.width);
    if (room() < placedBrowser.width) placedHost.x = area.x;
    placedBrowser.width = std::clamp(room(), least, placedBrowser.width);
    if (room() < placedBrowser.width) {
        const int narrowest = std::min(hostMin.x, placedHost.width);
        placedHost.width = std::max(narrowest, area.width - WorldView::kGap - placedBrowser.width);
    }
    placedBrowser.x = room() >= placedBrowser.width ? placedHost.GetRight() + 1 + WorldView::kGap
                                                    : area.GetRight() + 1 - placedBrowser.width;
    return {placedHost, placedBrowser};
}

// wxWidgets asks GTK to move a top-level window only when the position differs from the one it knows, which a
// window manager's own placement of a new window may have made stale: the detour sends the request every time.
void PutAt(wxTopLevelWindow* window, const wxRect& rect) {
    window->SetSize(rect.x + 1, rect.y, rect.width, rect.height);
    window->SetSize(rect);
}

// ---- WorldView

const wxSize WorldView::kMinSize(360, 300);

namespace {

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
    : wxFrame(nullptr, wxID_ANY, "Tarn scene browser demo"), mScene(std::make_unique<DemoScene>(objects)) {
    // At the top left of the first display's work area, as much of 640 x 560 as it holds.
    const wxRect area = wxDisplay(0u).GetClientArea();
    SetMinSize(kMinSize);
    SetSize(wxRect(area.GetTopLeft(), wxSize(640, 560)).Intersect(area));
    // Shown at once, the window's frame added when the window manager tells its size. (Otherwise wxWidgets waits
    // for that before it shows the first window of the process, and has GTK lay it out two pixels wide meanwhile:
    // its menu bar is given less than its items need, Gtk-CRITICAL gtk_distribute_natural_allocation.)
    SetClientSize(GetClientSize());
    Graphics::ConsolidatedWorld* world = mScene->World();
    mBounds = world->mCells[0]->WorldBox();
    std::set<const Objects::ISpatialNode*> seen;
    for (Graphics::BSPCell* cell : world->mCells) CollectRenderNodes(cell, mNodes, seen);
    Devices::Sys::mDrawManager = &mDrawManager;

    auto* view = new wxMenu;
    view->Append(kOpenBrowser, "Scene &Browser\tCtrl+B", "Open the scene browser");
    view->Append(kFind, "&Find in Browser\tCtrl+F", "Find a node by name or address in the scene browser");
    auto* tools = new wxMenu;
    tools->Append(kMeasure, "&Measure Selected Node\tCtrl+M", "Measure the browser's selected node's memory");
    auto* file = new wxMenu;
    file->Append(wxID_EXIT, "&Quit\tCtrl+Q");
    auto* menus = new wxMenuBar;
    menus->Append(file, "&File");
    menus->Append(view, "&View");
    menus->Append(tools, "&Tools");
    SetMenuBar(menus);
    // A window manager places a new window where it likes: once on screen, the window goes where it was put.
    Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
        event.Skip();
        if (!event.IsShown()) return;
        if (mBrowser) PlaceBrowser();
        else PutAt(this, GetRect());
    });
    // Its frame, once the window manager tells its size, may take it past the work area's edge.
    Bind(wxEVT_SIZE, &WorldView::OnFrameSized, this);
    CreateStatusBar();
    SetStatusText(wxString::Format("%d render nodes. Click a box, or select a node in the browser; Ctrl+M "
                                   "measures it.",
                                   static_cast<int>(mNodes.size())));
    SetBackgroundStyle(wxBG_STYLE_PAINT);

    Bind(wxEVT_PAINT, &WorldView::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &WorldView::OnLeftDown, this);
    Bind(Utilities::EVT_SCENE_BROWSER_NOTIFY, &WorldView::OnBrowserNotify, this);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OpenBrowser(); }, kOpenBrowser);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { MeasureSelection(); }, kMeasure);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { FocusSearch(); }, kFind);
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
    mBrowser->Bind(wxEVT_SIZE, &WorldView::OnFrameSized, this);
    // Placed again once on screen. OK and Escape only hide the browser: the host lets it go then too.
    mBrowser->Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
        event.Skip();
        if (event.GetEventObject() != mBrowser) return;
        if (event.IsShown()) PlaceBrowser();
        else DropBrowser("Scene browser closed.");
    });
    // The browser is a window of its own: the host's shortcut must work there too.
    wxAcceleratorEntry measure(wxACCEL_CTRL, 'M', kMeasure);
    mBrowser->SetAcceleratorTable(wxAcceleratorTable(1, &measure));
    mBrowser->Bind(wxEVT_MENU, [this](wxCommandEvent&) { MeasureSelection(); }, kMeasure);
    PlaceBrowser();
    SetStatusText("Logical scene: render nodes only. Spatial: the cells too. Ctrl+F finds, Ctrl+M measures.");
}

wxRect WorldView::WorkArea() const {
    const int index = wxDisplay::GetFromWindow(this);
    return wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetClientArea();
}

void WorldView::OnFrameSized(wxSizeEvent& event) {
    event.Skip();
    const wxRect area = WorkArea();
    if (mPlacing || !mBrowser || (area.Contains(GetRect()) && area.Contains(mBrowser->GetRect()))) return;
    PlaceBrowser();
}

void WorldView::PlaceBrowser() {
    const wxRect area = WorkArea();
    mPlacing = true;
    const SideBySide placed =
        PlaceSideBySide(area, GetRect(), GetMinSize(), mBrowser->GetSize(), mBrowser->GetMinSize());
    PutAt(this, placed.mHost);
    PutAt(mBrowser, placed.mBrowser);
    mOverlapping = placed.mHost.Intersects(placed.mBrowser);
    mPlacing = false;
}

bool WorldView::Placed() const {
    if (!mBrowser) return true;
    const wxRect area = WorkArea(), host = GetRect(), browser = mBrowser->GetRect();
    return area.Contains(host) && area.Contains(browser) && (mOverlapping || !host.Intersects(browser));
}

void WorldView::FocusSearch() {
    if (!mBrowser) OpenBrowser();
    mBrowser->FocusSearch();
}

void WorldView::DropBrowser(const wxString& status) {
    if (!mBrowser) return;
    mBrowser->Destroy();  // deferred until its handlers have returned; its tree goes with it
    mBrowser = nullptr;
    SetStatusText(status + " View > Scene Browser (Ctrl+B) opens it again.");
    Refresh();
}

bool WorldView::PickAt(const wxPoint& point) {
    const TopView view(mBounds, GetClientSize());
    const Graphics::ARenderNode* picked = nullptr;
    double smallest = 0;
    for (const Graphics::ARenderNode* node : mNodes) {
        const wxRect footprint = view.Footprint(node->mBox);
        const double area = double(footprint.width) * footprint.height;
        if (footprint.Contains(point) && (!picked || area < smallest)) {
            picked = node;
            smallest = area;
        }
    }
    if (!picked) return false;
    if (!mBrowser) OpenBrowser();
    const bool shown = mBrowser->SelectEntity(picked);
    const SceneNode* selected = mBrowser->SelectedNode();
    SetStatusText(shown && selected ? "Selected " + wxString(selected->NameText())
                                    : wxString("That box is not in the browser's view."));
    return shown;
}

wxPoint WorldView::CentreOf(const Graphics::ARenderNode* node) const {
    const wxRect footprint = TopView(mBounds, GetClientSize()).Footprint(node->mBox);
    return footprint.GetPosition() + wxSize(footprint.width / 2, footprint.height / 2);
}

// The host joins the two tools: the browser says what is selected, the accountant measures it from its
// spatial-node interface, through the registry, as its most-derived class.
bool WorldView::MeasureSelection() {
    SceneNode* node = mBrowser ? mBrowser->SelectedNode() : nullptr;
    const bool world = node && !node->Parent();
    if (!node || (!world && !node->TarnEntity())) {
        SetStatusText("Select a node in the browser, then Measure.");
        return false;
    }
    Utilities::RecordMemory recorder;
    recorder.KeepGraph();
    if (world) mScene->Measure(recorder);
    else Utilities::WalkPointer(static_cast<Objects::ISpatialNode*>(node->TarnEntity()), &recorder);
    if (!mMemory) {
        mMemory = new MemoryWindow(this);
        mMemory->Bind(wxEVT_CLOSE_WINDOW, &WorldView::OnMemoryClosed, this);
        mMemory->Table()->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
            ++mMemoryPaints;
            event.Skip();
        });
        mMemory->Show();
        const wxPoint below(GetRect().x, GetRect().GetBottom() + kGap);
        PutAt(mMemory, Inside(WorkArea(), wxRect(below, mMemory->GetSize())));
    }
    mMemory->ShowMeasurement(node->NameText(), recorder,
                             world ? MemoryWindow::Holders::TopOwners : MemoryWindow::Holders::LargestRetained);
    mMemory->Show();
    mMemory->Raise();
    mMeasuredStatus = "Measured " + wxString(node->NameText()) + ": see the memory window.";
    SetStatusText(mMeasuredStatus);
    return true;
}

// What the status bar said of the measurement goes with its window.
void WorldView::OnMemoryClosed(wxCloseEvent& event) {
    event.Skip();
    mMemory = nullptr;
    if (GetStatusBar() && GetStatusBar()->GetStatusText() == mMeasuredStatus) SetStatusText(wxEmptyString);
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
    const int window = mPaints, browser = mBrowserPaints, memory = mMemoryPaints;
    Refresh();
    if (mBrowser) mBrowser->Refresh();
    if (mMemory) mMemory->Refresh();
    return PumpUntil([&] {
        return mPaints > window && (!mBrowser || mBrowserPaints > browser) && (!mMemory || mMemoryPaints > memory);
    });
}

wxRect WorldView::ScreenArea() const {
    wxRect area = GetScreenRect();
    if (mBrowser && mBrowser->IsShown()) area.Union(mBrowser->GetScreenRect());
    if (mMemory && mMemory->IsShown()) area.Union(mMemory->GetScreenRect());
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

void WorldView::OnLeftDown(wxMouseEvent& event) {
    event.Skip();
    if (!PickAt(event.GetPosition())) SetStatusText("No box there.");
}

void WorldView::OnBrowserNotify(wxCommandEvent& event) {
    if (event.GetInt() != SceneBrowserDlg::kNotifyMessage || event.GetExtraLong() != SceneBrowserDlg::kNotifyClosed)
        return;
    DropBrowser("Scene browser closed.");
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

// Read from the X server itself: a wxScreenDC on GTK 3 keeps showing what it read the first time. The server
// refuses to read past the screen's edges (BadMatch), so the area is cut to the screen first.
wxRect SaveScreenshot(const wxRect& wanted, const wxString& path) {
    Display* display = wxGetX11Display();
    if (!display) return wxRect();
    const Window root = DefaultRootWindow(display);
    XWindowAttributes screen;
    if (!XGetWindowAttributes(display, root, &screen)) return wxRect();
    const wxRect area = wanted.Intersect(wxRect(0, 0, screen.width, screen.height));
    if (area.width <= 0 || area.height <= 0) return wxRect();
    XSync(display, False);  // everything drawn so far has reached the screen
    XImage* image =
        XGetImage(display, root, area.x, area.y, unsigned(area.width), unsigned(area.height), AllPlanes, ZPixmap);
    if (!image) return wxRect();
    const auto channel = [image](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask && !(mask & 1)) mask >>= 1, ++shift;
        return static_cast<unsigned char>(mask ? ((pixel >> shift) & mask) * 255 / mask : 0);
    };
    wxImage shot(area.width, area.height);
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            shot.SetRGB(x, y, channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                        channel(pixel, image->blue_mask));
        }
    }
    XDestroyImage(image);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    return shot.SaveFile(path, wxBITMAP_TYPE_PNG) ? area : wxRect();
}

} // namespace Tarn::Demo
