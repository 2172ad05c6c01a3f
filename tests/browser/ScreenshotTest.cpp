// The proof that the browser shows: the demo window with the browser beside it and a node selected, a search
// result three levels down, and the memory window, saved as PNGs under the build folder. The selected node's box
// must be on screen in red, and the rows in the lists.
#include "WindowTestSupport.h"
#include "examples/browser/WorldView.h"

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/srchctrl.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>

namespace Tarn::Testing {
namespace {

using Utilities::SceneBrowserDlg;

int CountPixels(const wxImage& image, const wxRect& area, bool (*match)(int r, int g, int b)) {
    int count = 0;
    const wxRect inside = area.Intersect(wxRect(image.GetSize()));
    for (int y = inside.GetTop(); y <= inside.GetBottom(); ++y)
        for (int x = inside.GetLeft(); x <= inside.GetRight(); ++x)
            count += match(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
    return count;
}

TEST(SceneBrowserScreenshot, ShowsTheSelectedBoxInRedBesideTheBrowser) {
    auto* view = new Demo::WorldView(3000);
    view->Show();
    view->OpenBrowser();
    view->SelectFirstNode();
    SceneBrowserDlg* browser = view->Browser();
    auto* list = static_cast<wxListCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_PROPERTIES_LIST));
    ASSERT_EQ(list->GetItemCount(), 11);
    ASSERT_NE(browser->DrawBoxCB(), nullptr);

    // Both windows must have been painted with the selection before the screen is read.
    ASSERT_TRUE(view->PaintBoth());

    const wxRect area = view->ScreenArea();
    ASSERT_EQ(Demo::SaveScreenshot(area, TARN_SCREENSHOT_PATH), area) << "the windows are on the screen";
    wxImage shot;
    ASSERT_TRUE(shot.LoadFile(TARN_SCREENSHOT_PATH, wxBITMAP_TYPE_PNG));
    EXPECT_EQ(shot.GetSize(), area.GetSize());

    const wxPoint origin = area.GetTopLeft();
    const wxRect world(view->GetScreenRect().GetTopLeft() - origin, view->GetScreenRect().GetSize());
    const wxRect rows(list->GetScreenRect().GetTopLeft() - origin, list->GetScreenRect().GetSize());
    EXPECT_FALSE(world.Intersects(browser->GetScreenRect()));
    EXPECT_GT(CountPixels(shot, world, [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; }), 50)
        << "no red box in the demo window";
    EXPECT_GT(CountPixels(shot, rows, [](int r, int g, int b) { return r < 100 && g < 100 && b < 100; }), 200)
        << "no text in the list";

    delete view;
}

// The screen within `area`, saved as `path` and read back.
wxImage Shot(const wxRect& area, const char* path) {
    wxImage shot;
    EXPECT_EQ(Demo::SaveScreenshot(area, path), area);
    EXPECT_TRUE(shot.LoadFile(path, wxBITMAP_TYPE_PNG));
    return shot;
}

// Wherever a window is, what of it is on the screen is saved; the X server refuses to read past the screen.
TEST(SceneBrowserScreenshot, SavesThePartOfTheAreaOnTheScreen) {
    const wxSize screen = wxGetDisplaySize();
    struct Case {
        wxRect mArea, mSaved;
    };
    const Case cases[] = {
        {{10, 20, 300, 200}, {10, 20, 300, 200}},
        {{screen.x - 100, 0, 300, 200}, {screen.x - 100, 0, 100, 200}},                  // past the right edge
        {{-50, screen.y - 80, 200, 300}, {0, screen.y - 80, 150, 80}},                   // past left and bottom
        {{0, 0, screen.x + 1, screen.y + 1}, {0, 0, screen.x, screen.y}},                // the whole screen
        {{screen.x, 0, 100, 100}, {}},                                                    // off the screen
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Demo::SaveScreenshot(c.mArea, TARN_SCREENSHOT_PATH), c.mSaved) << c.mArea.x << "," << c.mArea.y;
        if (c.mSaved.IsEmpty()) continue;
        wxImage shot;
        ASSERT_TRUE(shot.LoadFile(TARN_SCREENSHOT_PATH, wxBITMAP_TYPE_PNG));
        EXPECT_EQ(shot.GetSize(), c.mSaved.GetSize());
    }
}

int Dark(const wxImage& shot, const wxRect& area, const wxWindow* window) {
    const wxRect where(window->GetScreenRect().GetTopLeft() - area.GetTopLeft(), window->GetScreenRect().GetSize());
    return CountPixels(shot, where, [](int r, int g, int b) { return r < 100 && g < 100 && b < 100; });
}

TEST(SceneBrowserScreenshot, ShowsASearchResultThreeLevelsDownAndTheMemoryWindow) {
    auto* view = new Demo::WorldView(3000);
    view->Show();
    view->OpenBrowser();
    SceneBrowserDlg* browser = view->Browser();
    auto* spatial = static_cast<wxRadioButton*>(browser->FindWindow(SceneBrowserDlg::IDC_SPATIAL_RADIO));
    spatial->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, SceneBrowserDlg::IDC_SPATIAL_RADIO);
    click.SetEventObject(spatial);
    spatial->GetEventHandler()->ProcessEvent(click);
    auto* field = static_cast<wxSearchCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_SEARCH_FIELD));
    field->SetValue("GeometryNodeDouble");
    auto* tree = static_cast<wxTreeCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
    int depth = 0;
    for (wxTreeItemId up = tree->GetSelection(); up != tree->GetRootItem(); up = tree->GetItemParent(up)) ++depth;
    ASSERT_GE(depth, 3);
    ASSERT_TRUE(view->PaintBoth());

    wxRect area = view->ScreenArea();
    wxImage shot = Shot(area, TARN_SEARCH_SCREENSHOT_PATH);
    const wxRect world(view->GetScreenRect().GetTopLeft() - area.GetTopLeft(), view->GetScreenRect().GetSize());
    EXPECT_GT(CountPixels(shot, world, [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; }), 50);
    EXPECT_GT(Dark(shot, area, browser->FindWindow(SceneBrowserDlg::IDC_PROPERTIES_LIST)), 200);
    EXPECT_GT(Dark(shot, area, field), 50) << "no text in the search field";

    ASSERT_TRUE(view->MeasureSelection());
    ASSERT_TRUE(PumpUntil([view] { return view->Memory()->IsShownOnScreen(); }));
    ASSERT_TRUE(view->PaintBoth());
    area = view->Memory()->GetScreenRect();
    shot = Shot(area, TARN_MEASURE_SCREENSHOT_PATH);
    EXPECT_GT(Dark(shot, area, view->Memory()->Table()), 1000) << "no rows in the table";
    EXPECT_GT(Dark(shot, area, view->Memory()->Summary()), 100) << "no summary";
    delete view;
}

} // namespace
} // namespace Tarn::Testing
