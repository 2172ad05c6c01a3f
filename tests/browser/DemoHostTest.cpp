// The demo host with the browser, as a real host uses it under a window manager: both windows placed in the work
// area, a click on a box selects its node, closing the browser destroys it, Ctrl+F goes to the browser's search
// field, and Measure shows the memory accountant's report of the selected node, or of the whole world, with what
// it retains. Real clicks and keys. And the demo program itself, run as a user runs it.
#include "WindowTestSupport.h"
#include "examples/browser/WorldView.h"
#include "utilities/analysis/Retention.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/radiobut.h>
#include <wx/srchctrl.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/treectrl.h>
#include <wx/utils.h>

#include <string>
#include <vector>

namespace Tarn::Testing {
namespace {

using Utilities::SceneBrowserDlg;

// The browser's opening size and smallest size as the dialog has them on this machine's fonts, near enough.
const wxSize kBrowser(924, 546), kBrowserMin(504, 246), kHostMin(360, 300);

TEST(DemoHostPlacement, BothWindowsInsideTheWorkAreaOnScreensFrom1024x600) {
    struct Case {
        wxRect mArea;
        wxRect mHost, mBrowser;  // expected
    };
    const Case cases[] = {
        {{0, 0, 1600, 900}, {0, 0, 640, 560}, {648, 0, 924, 546}},    // room for both at their sizes
        {{0, 0, 1366, 768}, {0, 0, 640, 560}, {648, 0, 718, 546}},    // the browser narrowed to the room
        {{0, 0, 1280, 720}, {0, 0, 640, 560}, {648, 0, 632, 546}},
        {{0, 0, 1024, 600}, {0, 0, 512, 560}, {520, 0, 504, 546}},    // the host gives up width too
        {{0, 0, 800, 600}, {0, 0, 360, 560}, {296, 0, 504, 546}},     // too small: the browser over the host
        {{0, 28, 1366, 740}, {0, 28, 640, 560}, {648, 28, 718, 546}}, // below a panel
        {{0, 0, 1024, 500}, {0, 0, 512, 500}, {520, 0, 504, 500}},    // both cut to the height
    };
    for (const Case& c : cases) {
        const Demo::SideBySide placed =
            Demo::PlaceSideBySide(c.mArea, wxRect(0, 0, 640, 560), kHostMin, kBrowser, kBrowserMin);
        EXPECT_EQ(placed.mHost, c.mHost) << c.mArea.width << "x" << c.mArea.height;
        EXPECT_EQ(placed.mBrowser, c.mBrowser) << c.mArea.width << "x" << c.mArea.height;
    }
    // A host that the user moved to the right makes room by moving back to the left edge.
    const Demo::SideBySide moved =
        Demo::PlaceSideBySide({0, 0, 1366, 768}, {700, 100, 640, 560}, kHostMin, kBrowser, kBrowserMin);
    EXPECT_EQ(moved.mHost, wxRect(0, 100, 640, 560));
    EXPECT_EQ(moved.mBrowser, wxRect(648, 100, 718, 546));
}

class DemoHost : public ::testing::Test {
protected:
    DemoHost() {
        mView->Show();
        mView->OpenBrowser();
        EXPECT_TRUE(mView->PaintBoth());
        // The window manager has the last word on where windows go: wait until it has placed both, side by side.
        const wxRect area = wxDisplay(0u).GetClientArea();
        EXPECT_TRUE(PumpUntil([&] {
            const wxRect host = mView->GetScreenRect(), browser = mView->Browser()->GetScreenRect();
            return area.Contains(host) && area.Contains(browser) && !host.Intersects(browser);
        })) << "host " << Text(mView->GetScreenRect()) << ", browser " << Text(mView->Browser()->GetScreenRect())
            << " in the work area " << Text(area);
    }
    ~DemoHost() override { delete mView; }

    static std::string Text(const wxRect& rect) {
        return wxString::Format("(%d, %d, %d x %d)", rect.x, rect.y, rect.width, rect.height).ToStdString();
    }
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
    static wxString Headings(wxListCtrl* list) {
        wxArrayString headings;
        for (int column = 0; column < list->GetColumnCount(); ++column) {
            wxListItem heading;
            heading.SetMask(wxLIST_MASK_TEXT);
            list->GetColumn(column, heading);
            headings.Add(heading.GetText());
        }
        return wxJoin(headings, '|', '\0');
    }
    wxTreeCtrl* Tree() const {
        return static_cast<wxTreeCtrl*>(mView->Browser()->FindWindow(SceneBrowserDlg::IDC_BROWSER_TREE));
    }
    // Ctrl+M in the browser's tree, as a user presses it; the memory window once it shows.
    Demo::MemoryWindow* MeasureByKey() {
        RealInput input(mView->Browser());
        if (!input.Focus(Tree()) || !input.Press('m', wxMOD_CONTROL)) return nullptr;
        return PumpUntil([this] { return mView->Memory() && mView->Memory()->IsShownOnScreen(); }) ? mView->Memory()
                                                                                                : nullptr;
    }

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
    wxTreeCtrl* tree = Tree();
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

// Ctrl+F in the host's window, which its status bar promises, with the browser open and closed.
TEST_F(DemoHost, CtrlFInTheWindowGoesToTheBrowsersSearchFieldOpeningTheBrowserIfNeeded) {
    for (const bool open : {true, false}) {
        if (!open) {
            mView->Browser()->Close();
            ASSERT_EQ(mView->Browser(), nullptr);
        }
        RealInput input(mView);
        ASSERT_TRUE(input.Focus(mView)) << (open ? "open" : "closed");
        // The menu's accelerator takes the key before the window's key hook sees it.
        input.Simulator().Char('f', wxMOD_CONTROL);
        ASSERT_TRUE(PumpUntil([this] {
            const wxWindow* field =
                mView->Browser() ? mView->Browser()->FindWindow(SceneBrowserDlg::IDC_SEARCH_FIELD) : nullptr;
            for (const wxWindow* focus = wxWindow::FindFocus(); field && focus; focus = focus->GetParent())
                if (focus == field) return true;
            return false;
        })) << (open ? "open" : "closed");
        // What is typed now is searched for.
        ASSERT_TRUE(RealInput(mView->Browser()).Type("GeometryNodeDouble"));
        EXPECT_TRUE(PumpUntil([this] {
            const Utilities::SceneNode* node = mView->Browser()->SelectedNode();
            return node && wxString(node->NameText()).EndsWith(">GeometryNodeDouble");
        })) << (open ? "open" : "closed");
    }
}

TEST_F(DemoHost, CtrlMShowsTheReportOfTheSelectedNodeAndWhatItRetains) {
    Tree()->Unselect();
    EXPECT_FALSE(mView->MeasureSelection()) << "nothing is selected";
    EXPECT_EQ(Status(), "Select a node in the browser, then Measure.");

    SceneBrowserDlg* browser = mView->Browser();
    ASSERT_TRUE(browser->Find("GeometryNodeDouble", Utilities::SceneSearch::From::Here));
    const Utilities::SceneNode* node = browser->SelectedNode();
    Demo::MemoryWindow* memory = MeasureByKey();
    ASSERT_NE(memory, nullptr);

    Utilities::RecordMemory recorder;
    recorder.KeepGraph();
    Utilities::WalkPointer(node->TarnEntity(), &recorder);
    EXPECT_EQ(memory->Report(), wxString::FromUTF8(recorder.GetResults().GetBuffer()));
    EXPECT_EQ(memory->GetTitle(), "Memory of " + wxString(node->NameText()));

    // The table is the report's lines after the total, which heads the window.
    const wxArrayString lines = wxSplit(memory->Report(), '\n', '\0');
    const wxArrayString total = wxSplit(lines[0].BeforeLast('\r'), '\t', '\0');
    ASSERT_EQ(total[0], "Total");
    wxString summary = memory->Summary()->GetLabel();
    summary.Replace(",", "");
    EXPECT_EQ(summary, wxString(node->NameText()) + ": " + total[1] + " bytes in " + total[2] + " objects (" +
                           total[3] + " references)");
    wxListCtrl* table = memory->Table();
    EXPECT_EQ(table->GetItemCount(), static_cast<int>(lines.size()) - 2);  // nor the empty end
    const long own = table->FindItem(-1, "Tarn::Graphics::GeometryNodeDouble");
    ASSERT_NE(own, -1) << "the node itself is a row";
    EXPECT_EQ(table->GetItemText(own, 2), "1");
    EXPECT_EQ(Headings(table), "Type|Bytes|Instances|References|Static type|Static instances");

    // What the node alone holds, and the largest of it.
    const Utilities::Retention retention = Utilities::Retained(recorder, Demo::MemoryWindow::kHolderRows);
    wxString retained = memory->RetainedLine()->GetLabel();
    retained.Replace(",", "");
    EXPECT_EQ(retained, wxString::Format("Retains %llu bytes", static_cast<unsigned long long>(retention.mRetained)));
    EXPECT_EQ(memory->Pages()->GetPageText(1), "Largest retained");
    wxListCtrl* holders = memory->HolderTable();
    ASSERT_EQ(holders->GetItemCount(), static_cast<int>(retention.mLargest.size()));
    ASSERT_GT(holders->GetItemCount(), 0);
    for (int row = 0; row < holders->GetItemCount(); ++row) {
        const Utilities::RetainedObject& held = retention.mLargest[size_t(row)];
        EXPECT_EQ(holders->GetItemText(row, 0), held.mType);
        EXPECT_EQ(holders->GetItemText(row, 1), wxString::Format("0x%llx", (unsigned long long)held.mAddress));
    }

    // Closed with Escape, it takes what the status bar said of it along.
    EXPECT_EQ(Status(), "Measured " + wxString(node->NameText()) + ": see the memory window.");
    RealInput input(memory);
    ASSERT_TRUE(input.Focus(table));
    ASSERT_TRUE(input.Press(WXK_ESCAPE));
    EXPECT_EQ(mView->Memory(), nullptr);
    EXPECT_EQ(Status(), "");
}

TEST_F(DemoHost, CtrlMOnTheWorldMeasuresItFromTheHostsRootWithItsTopOwners) {
    wxTreeCtrl* tree = Tree();
    tree->SelectItem(tree->GetRootItem());
    Demo::MemoryWindow* memory = MeasureByKey();
    ASSERT_NE(memory, nullptr);

    Utilities::RecordMemory recorder;
    recorder.KeepGraph();
    mView->Scene().Measure(recorder);
    EXPECT_EQ(memory->Report(), wxString::FromUTF8(recorder.GetResults().GetBuffer()));
    EXPECT_EQ(memory->GetTitle(), "Memory of World");
    EXPECT_TRUE(memory->Summary()->GetLabel().StartsWith("World: ")) << memory->Summary()->GetLabel();

    EXPECT_EQ(memory->Pages()->GetPageText(0), "Types");
    EXPECT_EQ(memory->Pages()->GetPageText(1), "Top owners");
    EXPECT_EQ(Headings(memory->HolderTable()), "Type|Address|Own bytes|Retained bytes");
    const std::vector<Utilities::RetainedObject> owners =
        Utilities::TopOwners(recorder, Demo::MemoryWindow::kHolderRows);
    wxListCtrl* holders = memory->HolderTable();
    ASSERT_EQ(holders->GetItemCount(), static_cast<int>(owners.size()));
    EXPECT_EQ(holders->GetItemText(0, 0), "Tarn::Graphics::PersistentObjectManager") << "the root owns it all";
    for (int row = 0; row < holders->GetItemCount(); ++row) {
        wxString retained = holders->GetItemText(row, 3);
        retained.Replace(",", "");
        EXPECT_EQ(retained, wxString::Format("%llu", (unsigned long long)owners[size_t(row)].mRetained)) << row;
    }
}

// The memory window's list as a user works it: Ctrl+A and Ctrl+C copy the report's own lines, the numbers are
// never cut however long, the names take the width the window gains.
TEST_F(DemoHost, TheMemoryWindowsListsCopyTheirRowsAsTheReportWritesThemAndFitTheirNumbers) {
    // One object of ten gigabytes and a little one that it holds.
    static const char kHuge[] = "Tarn::Huge", kSmall[] = "Tarn::Small";
    Utilities::RecordMemory recorder;
    recorder.KeepGraph();
    const char huge = 0, small = 0;
    bool first = false;
    const uint32_t node = recorder.VisitNode(&huge, first);
    recorder.Graph()->Current({node, &huge});
    recorder.BookNode(recorder.VisitNode(&small, first), kSmall, kSmall, 24, first);
    recorder.BookNode(node, kHuge, kHuge, 10'194'017'472, true);

    auto* memory = new Demo::MemoryWindow(mView);
    memory->ShowMeasurement("Huge", recorder, Demo::MemoryWindow::Holders::LargestRetained);
    memory->Show();
    ASSERT_TRUE(PumpUntil([memory] { return memory->IsShownOnScreen(); }));
    wxListCtrl* table = memory->Table();
    ASSERT_EQ(table->GetItemCount(), 2);
    EXPECT_EQ(table->GetItemText(0, 1), "10,194,017,472");
    EXPECT_EQ(memory->RetainedLine()->GetLabel(), "Retains 10,194,017,496 bytes");
    for (wxListCtrl* list : {table, memory->HolderTable()})
        for (int column = 1; column < list->GetColumnCount(); ++column)
            for (int row = 0; row < list->GetItemCount(); ++row)
                EXPECT_GT(list->GetColumnWidth(column), list->GetTextExtent(list->GetItemText(row, column)).x)
                    << "column " << column << " cuts " << list->GetItemText(row, column);

    // The names take what the window gains.
    const int narrow = table->GetColumnWidth(0);
    memory->SetSize(memory->GetSize() + wxSize(200, 0));
    EXPECT_TRUE(PumpUntil([&] { return table->GetColumnWidth(0) > narrow + 100; }))
        << narrow << " then " << table->GetColumnWidth(0);

    ClearClipboard();
    RealInput input(memory);
    ASSERT_TRUE(input.Focus(table));
    ASSERT_TRUE(input.Press('a', wxMOD_CONTROL));
    EXPECT_EQ(table->GetSelectedItemCount(), 2);
    ASSERT_TRUE(input.Press('c', wxMOD_CONTROL));
    EXPECT_EQ(ClipboardText(), "Tarn::Huge\t10194017472\t1\t1\r\nTarn::Small\t24\t1\t1\r\n");
    table->SetItemState(0, 0, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(input.Press('c', wxMOD_CONTROL));
    EXPECT_EQ(ClipboardText(), "Tarn::Small\t24\t1\t1\r\n");

    // The context menu's Copy as a user chooses it: the right button on the row, then Down and Enter.
    ClearClipboard();
    table->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        event.Skip();
        memory->CallAfter([&] {
            input.Simulator().Char(WXK_DOWN);
            input.Simulator().Char(WXK_RETURN);
        });
    });
    wxRect row;
    ASSERT_TRUE(table->GetItemRect(1, row));
    const wxPoint at = table->ClientToScreen(row.GetLeftTop() + wxPoint(20, row.height / 2));
    EXPECT_TRUE(input.Click(at, [] { return ClipboardText() == "Tarn::Small\t24\t1\t1\r\n"; }, wxMOUSE_BTN_RIGHT))
        << ClipboardText();

    // The largest retained object, copied from its page the same way.
    memory->Pages()->SetSelection(1);
    wxListCtrl* holders = memory->HolderTable();
    ASSERT_EQ(holders->GetItemCount(), 1);
    ASSERT_TRUE(input.Focus(holders));
    ASSERT_TRUE(input.Press('a', wxMOD_CONTROL));
    ASSERT_TRUE(input.Press('c', wxMOD_CONTROL));
    EXPECT_EQ(ClipboardText(), wxString::Format("Tarn::Small\t0x%llx\t24\t24\r\n",
                                                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&small))));
    memory->Destroy();
}

// The demo program as a user starts it, on the tests' display and under their window manager.
TEST(DemoProgram, ExitsAsAskedAndPrintsNothingUnaskedOnStandardError) {
    const wxString png = wxFileName::CreateTempFileName("tarn-demo") + ".png";
    struct Case {
        wxString mArguments;
        int mExit;
        std::vector<const char*> mOut;  // in standard output
        wxString mErrors;               // all of standard error
        bool mDisplay;                  // false: started where there is no display
    };
    const std::vector<const char*> everyOption = {"--objects", "--spatial", "--find", "--measure", "--screenshot",
                                                  "--help"};
    const Case cases[] = {
        {"--help", 0, everyOption, "", true},
        {"--objects 5 --help", 0, everyOption, "", false},
        {"--objects 10000001", 2, {}, "tarn_scene_browser: --objects takes 1 to 10000000", true},
        {"--objects 0", 2, {}, "tarn_scene_browser: --objects takes 1 to 10000000", true},
        {"--screenshot " + png, 0, {}, "", true},
        {"--spatial --find GeometryNodeDouble --measure --screenshot " + png, 0, {}, "", true},
    };
    for (const Case& c : cases) {
        wxArrayString out, errors;
        const wxString program = wxString(c.mDisplay ? "" : "env -u DISPLAY -u WAYLAND_DISPLAY ") + TARN_SCENE_BROWSER;
        const long exit = wxExecute(program + " " + c.mArguments, out, errors, wxEXEC_SYNC);
        EXPECT_EQ(exit, c.mExit) << c.mArguments;
        const wxString printed = wxJoin(out, '\n', '\0');
        for (const char* expected : c.mOut) EXPECT_TRUE(printed.Contains(expected)) << c.mArguments << ": " << expected;
        EXPECT_EQ(wxJoin(errors, '\n', '\0'), c.mErrors) << c.mArguments;
    }
    wxImage shot;
    EXPECT_TRUE(shot.LoadFile(png, wxBITMAP_TYPE_PNG));
    wxRemoveFile(png);
}

} // namespace
} // namespace Tarn::Testing
