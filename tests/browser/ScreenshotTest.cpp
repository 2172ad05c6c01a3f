// The proof that the browser shows: the demo window with the browser beside it and a node selected, saved as a
// PNG under the build folder. The selected node's box must be on screen in red, and the rows in the list.
#include "examples/browser/WorldView.h"

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/listctrl.h>

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
    ASSERT_TRUE(Demo::SaveScreenshot(area, TARN_SCREENSHOT_PATH));
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

} // namespace
} // namespace Tarn::Testing
