// The demo host with the browser, as a real host uses it: a click on a box selects its node, closing the browser
// destroys it, and Measure shows the memory accountant's report of the selected node. Real clicks and keys.
#include "WindowTestSupport.h"
#include "examples/browser/WorldView.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>

namespace Tarn::Testing {
namespace {

using Utilities::SceneBrowserDlg;

class DemoHost : public ::testing::Test {
protected:
    DemoHost() {
        mView->Show();
        mView->OpenBrowser();
        EXPECT_TRUE(PumpUntil([this] { return mView->IsShownOnScreen() && mView->Browser()->IsShownOnScreen(); }));
        EXPECT_TRUE(wxDisplay(0u).GetClientArea().Contains(mView->Browser()->GetScreenRect())) << "off the screen";
    }
    ~DemoHost() override { delete mView; }

    Objects::ISpatialNode* Selected() const {
        const Utilities::SceneNode* node = mView->Browser() ? mView->Browser()->SelectedNode() : nullptr;
        return node ? node->TarnEntity() : nullptr;
    }
    // A user's click on the box of `node` in the host's window.
    bool ClickOn(const Graphics::ARenderNode* node) {
        const Objects::ISpatialNode* target = node;
        const wxPoint at = mView->ClientToScreen(mView->CentreOf(node));
        return RealInput(mView).Click(at, [&] { return Selected() == target; });
    }
    wxString Status() const { return mView->GetStatusBar()->GetStatusText(); }

    Demo::WorldView* mView = new Demo::WorldView(3000);
};

TEST_F(DemoHost, ClickingABoxSelectsItsNodeInEitherViewOpeningTheBrowserIfNeeded) {
    ASSERT_TRUE(ClickOn(mView->RenderNodes().at(7)));
    SceneBrowserDlg* browser = mView->Browser();
    EXPECT_NE(browser->DrawBoxCB(), nullptr);
    EXPECT_EQ(Status(), "Selected " + wxString(browser->SelectedNode()->NameText()));

    auto* spatial = static_cast<wxRadioButton*>(browser->FindWindow(SceneBrowserDlg::IDC_SPATIAL_RADIO));
    spatial->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, SceneBrowserDlg::IDC_SPATIAL_RADIO);
    click.SetEventObject(spatial);
    spatial->GetEventHandler()->ProcessEvent(click);
    ASSERT_TRUE(ClickOn(mView->RenderNodes().at(40)));
    auto* tree = static_cast<wxTreeCtrl*>(browser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
    int cells = 0;
    for (wxTreeItemId up = tree->GetItemParent(tree->GetSelection()); up != tree->GetRootItem();
         up = tree->GetItemParent(up))
        cells += tree->GetItemText(up).EndsWith(">ISpatialCell") && tree->IsExpanded(up);
    EXPECT_GE(cells, 2) << "the node's cells are open above it";

    browser->Close();
    ASSERT_EQ(mView->Browser(), nullptr);
    ASSERT_TRUE(ClickOn(mView->RenderNodes().at(3)));
    EXPECT_TRUE(mView->Browser()->IsShown());
}

TEST_F(DemoHost, ClosingOrOKDestroysTheBrowserAndItsTree) {
    for (const bool close : {true, false}) {
        SceneBrowserDlg* browser = mView->Browser();
        bool destroyed = false;
        browser->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& event) {
            destroyed |= event.GetEventObject() == browser;
            event.Skip();
        });
        if (close) {
            browser->Close();  // the title bar's close button
        } else {
            wxCommandEvent press(wxEVT_BUTTON, wxID_OK);
            press.SetEventObject(browser->FindWindow(wxID_OK));
            browser->FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(press);
        }
        EXPECT_EQ(mView->Browser(), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return destroyed; })) << (close ? "closed" : "OK") << " but kept";
        mView->OpenBrowser();
    }
}

TEST_F(DemoHost, CtrlMInTheBrowserShowsTheAccountantsReportOfTheSelectedNode) {
    EXPECT_FALSE(mView->MeasureSelection()) << "the root stands for no entity";
    EXPECT_EQ(Status(), "Select a node in the browser, then Measure.");

    SceneBrowserDlg* browser = mView->Browser();
    ASSERT_TRUE(browser->Find("GeometryNodeDouble", Utilities::SceneSearch::From::Here));
    const Utilities::SceneNode* node = browser->SelectedNode();
    RealInput input(browser);
    ASSERT_TRUE(input.Focus(browser->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE)));
    ASSERT_TRUE(input.Press('m', wxMOD_CONTROL));
    ASSERT_TRUE(PumpUntil([this] { return mView->Memory() && mView->Memory()->IsShownOnScreen(); }));
    Demo::MemoryWindow* memory = mView->Memory();

    Utilities::RecordMemory recorder;
    Utilities::WalkPointer(node->TarnEntity(), &recorder);
    EXPECT_EQ(memory->Report(), wxString::FromUTF8(recorder.GetResults().GetBuffer()));
    EXPECT_TRUE(memory->GetTitle().EndsWith(wxString(node->NameText())));

    // The table is the report's lines after the total, which heads the window.
    const wxArrayString lines = wxSplit(memory->Report(), '\n', '\0');
    const wxArrayString total = wxSplit(lines[0].BeforeLast('\r'), '\t', '\0');
    ASSERT_EQ(total[0], "Total");
    wxString summary = memory->Summary()->GetLabel();
    summary.Replace(",", "");
    EXPECT_TRUE(summary.Contains(": " + total[1] + " bytes in " + total[2] + " objects (" + total[3] + " references)"))
        << summary;
    wxListCtrl* table = memory->Table();
    EXPECT_EQ(table->GetItemCount(), static_cast<int>(lines.size()) - 2);  // nor the empty end
    const long own = table->FindItem(-1, "Tarn::Graphics::GeometryNodeDouble");
    ASSERT_NE(own, -1) << "the node itself is a row";
    EXPECT_EQ(table->GetItemText(own, 2), "1");
}

} // namespace
} // namespace Tarn::Testing
