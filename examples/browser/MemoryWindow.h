// The demo host's memory window: the accountant's report on one engine object, read back with the library's
// MemoryReport and shown one row per type, with the static types through which objects were measured; beside it
// what the object retains (the bytes freed with it) and who holds them.
//
// Keys: Ctrl+C copies the selected rows of a list as the report writes its lines (tab-separated, each ending in
// CR LF), Ctrl+A selects every row, Escape closes; a list's context menu does the same.
#pragma once

#include "engine/objects/Strings.h"

#include <wx/frame.h>

#include <vector>

class wxListCtrl;
class wxNotebook;
class wxStaticText;

namespace Tarn::Utilities {
class RecordMemory;
}

namespace Tarn::Demo {

class MemoryWindow : public wxFrame {
public:
    // What the second page lists: what a node retains, or the owners of a whole world.
    enum class Holders { LargestRetained, TopOwners };
    // The most rows of the second page.
    static constexpr size_t kHolderRows = 25;

    explicit MemoryWindow(wxWindow* parent);

    // Shows the walk that `recorder` made, with its graph kept, as the memory of `what`.
    void ShowMeasurement(const wxString& what, const Utilities::RecordMemory& recorder, Holders holders);

    const wxString& Report() const { return mReport; }
    const wxString& What() const { return mWhat; }
    wxListCtrl* Table() const { return mTable; }
    wxListCtrl* HolderTable() const { return mHolders; }
    wxNotebook* Pages() const { return mPages; }
    wxStaticText* Summary() const { return mSummary; }
    wxStaticText* RetainedLine() const { return mRetained; }

    // What Ctrl+C puts on the clipboard for `list`'s selected rows.
    wxString SelectedLines(const wxListCtrl* list) const;

    enum { kCopyRows = wxID_HIGHEST + 1, kSelectAllRows };

private:
    // A list and the line of text that each of its rows copies as.
    struct Listing {
        wxListCtrl* mList;
        std::vector<int> mStretched;  // the name columns, which share the width the others leave
        std::vector<wxString> mLines;
    };

    void ShowReport(const wxString& what, const Objects::KStringA& report);
    void ShowHolders(const Utilities::RecordMemory& recorder, Holders holders);
    Listing* ListingOf(const wxWindow* window);
    void FitColumns(Listing& listing);
    void OnKey(wxKeyEvent& event);
    void CopyRows(const wxListCtrl* list);
    static void SelectAllRows(wxListCtrl* list);

    wxStaticText* mSummary;
    wxStaticText* mRetained;
    wxNotebook* mPages;
    wxListCtrl* mTable;
    wxListCtrl* mHolders;
    Listing mTypes, mOwners;
    wxString mWhat;
    wxString mReport;
};

} // namespace Tarn::Demo
