// The scene browser demo's host window: the demo scene's world seen from above, drawn through a draw manager that
// paints into the window, with the scene browser opened beside it. The selected node's box is drawn in red.
//
// The host joins the browser and the memory accountant, which know nothing of each other: a click on a box selects
// its node in the browser, and Measure (Ctrl+M, in the window and in the browser) walks the selected node with the
// accountant and shows the report in the memory window. Closing the browser destroys it.
#pragma once

#include "engine/devices/Draw.h"
#include "examples/DemoScene.h"
#include "examples/browser/MemoryWindow.h"
#include "utilities/browser/SceneBrowserDlg.h"

#include <wx/dc.h>
#include <wx/frame.h>

#include <functional>
#include <memory>
#include <vector>

namespace Tarn::Demo {

// Maps world x and y to window pixels, looking down the z axis, the whole world in view.
class TopView {
public:
    TopView(const Objects::Box3& world, const wxSize& client);
    wxPoint At(double x, double y) const;
    wxRect Footprint(const Objects::Box3& box) const;

private:
    double mScale;
    double mLeft, mBottom;   // world coordinates at the view's left and bottom edges
    int mMargin, mHeight;
};

// What one repaint of the window draws into.
class WindowDrawContext : public Devices::ADrawContext {
public:
    WindowDrawContext(wxDC& dc, const TopView& view) : mDC(dc), mView(view) {}
    wxDC& mDC;
    const TopView& mView;
};

// The engine's draw manager for this host: outlines a box's footprint in the window being repainted.
class WindowDrawManager : public Devices::DrawManager {
public:
    void DrawBox(Devices::ADrawContext& context, const Objects::Box3& box, const Objects::SharedMatrix* transform,
                 bool solid, const float colour[4]) override;
};

// Where a host window and its browser go in a display's work area: the browser right of the host, as wide as it
// asks to be or as the room there allows, but no narrower than its smallest width; when even that does not fit,
// the host moves to the area's left edge and gives up width down to its own smallest; when that is not enough
// either, the browser goes over the host's right part. Both end wholly inside the area.
struct SideBySide {
    wxRect mHost, mBrowser;
};
SideBySide PlaceSideBySide(const wxRect& area, const wxRect& host, const wxSize& hostMin, const wxSize& browser,
                           const wxSize& browserMin);

// `rect` moved into `area`, and cut to its size where it is larger.
wxRect Inside(const wxRect& area, wxRect rect);

// Puts a top-level window at `rect` of the screen, frame included, wherever it is now.
void PutAt(wxTopLevelWindow* window, const wxRect& rect);

class WorldView : public wxFrame {
public:
    // The demo scene's world at about `objects` engine objects: the world that the memory report measures.
    explicit WorldView(int objects);
    ~WorldView() override;

    // Opens the scene browser beside the window, replacing one that is open.
    void OpenBrowser();
    // Opens the browser's root item and selects its first child, as a user would.
    void SelectFirstNode();

    // What a click at `point` of the window does: selects, in the browser, the node of the smallest box drawn
    // there, opening the browser when it is closed. False when no box is there or the browser does not show it.
    bool PickAt(const wxPoint& point);
    // The window point at the centre of a render node's box.
    wxPoint CentreOf(const Graphics::ARenderNode* node) const;
    // Measures the browser's selected node with the memory accountant and shows the report, what the node
    // retains and its largest retained objects in the memory window; the root stands for the whole world, which
    // is measured from the host's root, its object manager, with the world's top owners. False when no node is
    // selected.
    bool MeasureSelection();
    // Ctrl+F of the window: the browser's search field takes the keys, the browser opened when it is closed.
    void FocusSearch();

    // Whether the window and the browser lie where they were put: in the work area, side by side when there was
    // room. The window manager may take a moment.
    bool Placed() const;
    // Repaints the window and the browser and runs the event loop until both have been painted.
    bool PaintBoth();

    Utilities::SceneBrowserDlg* Browser() const { return mBrowser; }
    MemoryWindow* Memory() const { return mMemory; }
    const std::vector<const Graphics::ARenderNode*>& RenderNodes() const { return mNodes; }
    DemoScene& Scene() const { return *mScene; }
    int Paints() const { return mPaints; }
    // The window, the browser and the memory window together, in screen coordinates.
    wxRect ScreenArea() const;

    // Commands of the window's menus, which the browser's keys reach too.
    enum { kOpenBrowser = wxID_HIGHEST + 1, kMeasure, kFind };
    static constexpr int kGap = 8;  // between the window and the browser
    static const wxSize kMinSize;

private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnBrowserNotify(wxCommandEvent& event);
    // Destroys the browser, and its tree with it, once the user has closed it.
    void DropBrowser(const wxString& status);
    void PlaceBrowser();
    void OnMemoryClosed(wxCloseEvent& event);
    void OnFrameSized(wxSizeEvent& event);
    // The work area of the window's display.
    wxRect WorkArea() const;
    static void Redraw(wxWindow* window);

    std::unique_ptr<DemoScene> mScene;
    std::vector<const Graphics::ARenderNode*> mNodes;  // every render node of the world's cells, once
    Objects::Box3 mBounds;
    WindowDrawManager mDrawManager;
    Utilities::SceneBrowserDlg* mBrowser = nullptr;
    MemoryWindow* mMemory = nullptr;
    int mPaints = 0;
    int mBrowserPaints = 0;  // of its tree: GTK paints all of a top-level window at once
    int mMemoryPaints = 0;   // of the memory window's table
    wxString mMeasuredStatus;   // what the status bar says while the memory window shows a measurement
    bool mPlacing = false;
    bool mOverlapping = false;  // the browser was put over the window, for want of room
};

// Runs the event loop until `done` holds. False if it stays idle for `idleRounds` seconds in a row before, or
// if a million events go by without `done`.
bool PumpUntil(const std::function<bool()>& done, int idleRounds = 10);

// Saves what the screen shows within `area` as a PNG, the part of the area that lies off the screen left out.
// Answers the part saved, in screen coordinates; empty when nothing was saved.
wxRect SaveScreenshot(const wxRect& area, const wxString& path);

} // namespace Tarn::Demo
