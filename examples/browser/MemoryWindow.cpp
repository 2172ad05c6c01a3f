#include "examples/browser/MemoryWindow.h"

#include "utilities/analysis/Retention.h"
#include "utilities/memory/MemoryReport.h"
#include "utilities/memory/RecordMemory.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

namespace Tarn::Demo {

namespace {

// The report's columns, named as the report names them; a continuation line fills only the last two.
const char* const kTypeColumns[] = {"Type", "Bytes", "Instances", "References", "Static type", "Static instances"};
const char* const kHolderColumns[] = {"Type", "Address", "Own bytes", "Retained bytes"};
const char* const kHolderPages[] = {"Largest retained", "Top owners"};

// 3850946 as "3,850,946", whatever the locale.
wxString Thousands(uint64_t number) {
    const wxString digits = wxString::Format("%llu", static_cast<unsigned long long>(number));
    wxString grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

wxString Name(const std::string& name) { return wxString::FromUTF8(Utilities::MemoryReport::EscapeName(name)); }

wxListCtrl* MakeList(wxWindow* parent, const char* const* columns, size_t count, const std::vector<int>& stretched) {
    auto* list = new wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT);
    for (int column = 0; column < int(count); ++column) {
        const bool name = std::find(stretched.begin(), stretched.end(), column) != stretched.end();
        list->InsertColumn(column, columns[column], name ? wxLIST_FORMAT_LEFT : wxLIST_FORMAT_RIGHT);
    }
    return list;
}

} // namespace

MemoryWindow::MemoryWindow(wxWindow* parent)
    : wxFrame(parent, wxID_ANY, "Memory", wxDefaultPosition, wxSize(760, 360),
              wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT | wxFRAME_TOOL_WINDOW) {
    auto* panel = new wxPanel(this);
    mSummary = new wxStaticText(panel, wxID_ANY, wxEmptyString);
    mRetained = new wxStaticText(panel, wxID_ANY, wxEmptyString);
    mPages = new wxNotebook(panel, wxID_ANY);
    mTypes = {MakeList(mPages, kTypeColumns, std::size(kTypeColumns), {0, 4}), {0, 4}, {}};
    mOwners = {MakeList(mPages, kHolderColumns, std::size(kHolderColumns), {0}), {0}, {}};
    mTable = mTypes.mList;
    mHolders = mOwners.mList;
    mPages->AddPage(mTable, "Types");
    mPages->AddPage(mHolders, kHolderPages[0]);

    auto* copy = new wxButton(panel, wxID_COPY, "&Copy Report");
    auto* close = new wxButton(panel, wxID_CLOSE, "Close");
    copy->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxClipboardLocker open;
        if (!!open) wxTheClipboard->SetData(new wxTextDataObject(mReport));
    });
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
    for (Listing* listing : {&mTypes, &mOwners}) {
        wxListCtrl* list = listing->mList;
        list->Bind(wxEVT_SIZE, [this, listing](wxSizeEvent& event) {
            event.Skip();
            CallAfter([this, listing] { FitColumns(*listing); });  // once the list has laid out its own parts
        });
        list->Bind(wxEVT_CONTEXT_MENU, [this, list](wxContextMenuEvent&) {
            wxMenu menu;
            menu.Append(kCopyRows, "&Copy\tCtrl+C");
            menu.Append(kSelectAllRows, "Select &All\tCtrl+A");
            menu.Enable(kCopyRows, list->GetSelectedItemCount() > 0);
            const int chosen = list->GetPopupMenuSelectionFromUser(menu);
            if (chosen == kCopyRows) CopyRows(list);
            else if (chosen == kSelectAllRows) SelectAllRows(list);
        });
    }
    Bind(wxEVT_CHAR_HOOK, &MemoryWindow::OnKey, this);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(copy, 0, wxRIGHT, 8);
    buttons->Add(close);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(mSummary, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    top->Add(mRetained, 0, wxEXPAND | wxALL, 8);
    top->Add(mPages, 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
    top->Add(buttons, 0, wxEXPAND | wxALL, 8);
    panel->SetSizer(top);
}

void MemoryWindow::ShowMeasurement(const wxString& what, const Utilities::RecordMemory& recorder, Holders holders) {
    ShowReport(what, recorder.GetResults());
    ShowHolders(recorder, holders);
    Layout();
}

void MemoryWindow::ShowReport(const wxString& what, const Objects::KStringA& report) {
    mWhat = what;
    mReport = wxString::FromUTF8(report.GetBuffer(), static_cast<size_t>(report.GetLen()));
    SetTitle("Memory of " + what);
    mTable->DeleteAllItems();
    // Row i of the table is line i + 1 of the report, after the total.
    mTypes.mLines.clear();
    for (const wxString& line : wxSplit(mReport.AfterFirst('\n'), '\n', '\0'))
        if (!line.empty()) mTypes.mLines.push_back(line + '\n');
    Utilities::MemoryReport::Error error;
    const std::optional<Utilities::MemoryReport> table =
        Utilities::MemoryReport::Parse(std::string_view(report.GetBuffer(), size_t(report.GetLen())), error);
    if (!table) {
        mTypes.mLines.clear();
        mSummary->SetLabel(what + ": the report does not read back, " + error.Text());
        return;
    }
    const Utilities::MemoryReport::Row& total = table->mTotal;
    mSummary->SetLabel(wxString::Format("%s: %s bytes in %s objects (%s references)", what, Thousands(total.mBytes),
                                        Thousands(total.mInstances), Thousands(total.mReferences)));
    long line = 0;
    for (const Utilities::MemoryReport::Row& row : table->mRows) {
        mTable->InsertItem(line, Name(row.mName));
        mTable->SetItem(line, 1, Thousands(row.mBytes));
        mTable->SetItem(line, 2, Thousands(row.mInstances));
        mTable->SetItem(line, 3, Thousands(row.mReferences));
        // Further static types go on lines of their own, as in the report.
        for (size_t i = 0; i < row.mStaticTypes.size(); ++i) {
            if (i > 0) mTable->InsertItem(++line, wxEmptyString);
            mTable->SetItem(line, 4, Name(row.mStaticTypes[i].mName));
            mTable->SetItem(line, 5, Thousands(row.mStaticTypes[i].mInstances));
        }
        ++line;
    }
    FitColumns(mTypes);
}

// A node's page lists what it alone holds; a world's, the objects that hold the most of it.
void MemoryWindow::ShowHolders(const Utilities::RecordMemory& recorder, Holders holders) {
    const Utilities::Retention retention = Utilities::Retained(recorder, kHolderRows);
    mRetained->SetLabel("Retains " + Thousands(retention.mRetained) + " bytes");
    const std::vector<Utilities::RetainedObject> listed =
        holders == Holders::TopOwners ? Utilities::TopOwners(recorder, kHolderRows) : retention.mLargest;
    mPages->SetPageText(1, kHolderPages[holders == Holders::TopOwners]);
    mHolders->DeleteAllItems();
    mOwners.mLines.clear();
    long row = 0;
    for (const Utilities::RetainedObject& held : listed) {
        const wxString address = wxString::Format("0x%llx", static_cast<unsigned long long>(held.mAddress));
        mHolders->InsertItem(row, Name(held.mType));
        mHolders->SetItem(row, 1, address);
        mHolders->SetItem(row, 2, Thousands(held.mBytes));
        mHolders->SetItem(row, 3, Thousands(held.mRetained));
        mOwners.mLines.push_back(wxString::Format("%s\t%s\t%llu\t%llu\r\n", Name(held.mType), address,
                                                  static_cast<unsigned long long>(held.mBytes),
                                                  static_cast<unsigned long long>(held.mRetained)));
        ++row;
    }
    FitColumns(mOwners);
}

// Numbers and addresses as wide as their widest cell or heading, never cut; the name columns share what is left
// of the list's width, the first twice the share of the second, each at least as wide as its heading.
void MemoryWindow::FitColumns(Listing& listing) {
    wxListCtrl* list = listing.mList;
    const auto widthOf = [list](const wxString& text) { return list->GetTextExtent(text).x + 16; };
    int fixed = 0;
    std::vector<int> floor(size_t(list->GetColumnCount()));
    for (int column = 0; column < list->GetColumnCount(); ++column) {
        wxListItem heading;
        heading.SetMask(wxLIST_MASK_TEXT);
        list->GetColumn(column, heading);
        floor[size_t(column)] = widthOf(heading.GetText()) + 8;
        if (std::find(listing.mStretched.begin(), listing.mStretched.end(), column) != listing.mStretched.end())
            continue;
        int width = floor[size_t(column)];
        for (long row = 0; row < list->GetItemCount(); ++row)
            width = std::max(width, widthOf(list->GetItemText(row, column)));
        list->SetColumnWidth(column, width);
        fixed += width;
    }
    const wxWindow* rows = list->GetMainWindowOfCompositeControl();
    int left = (rows ? rows : list)->GetClientSize().x - fixed;
    int shares = 0;
    for (size_t i = 0; i < listing.mStretched.size(); ++i) shares += i == 0 ? 2 : 1;
    for (size_t i = 0; i < listing.mStretched.size(); ++i) {
        const int column = listing.mStretched[i];
        const int share = i + 1 == listing.mStretched.size() ? left : left * (i == 0 ? 2 : 1) / shares;
        const int width = std::max(share, floor[size_t(column)]);
        list->SetColumnWidth(column, width);
        left -= share;
    }
}

MemoryWindow::Listing* MemoryWindow::ListingOf(const wxWindow* window) {
    for (Listing* listing : {&mTypes, &mOwners})
        for (const wxWindow* up = window; up && up != this; up = up->GetParent())
            if (up == listing->mList) return listing;
    return nullptr;
}

wxString MemoryWindow::SelectedLines(const wxListCtrl* list) const {
    const Listing& listing = list == mHolders ? mOwners : mTypes;
    wxString text;
    for (long row = list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = list->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        if (size_t(row) < listing.mLines.size()) text += listing.mLines[size_t(row)];
    return text;
}

void MemoryWindow::CopyRows(const wxListCtrl* list) {
    const wxString text = SelectedLines(list);
    wxClipboardLocker open;
    if (!!open && !text.empty()) wxTheClipboard->SetData(new wxTextDataObject(text));
}

void MemoryWindow::SelectAllRows(wxListCtrl* list) {
    for (long row = 0; row < list->GetItemCount(); ++row)
        list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void MemoryWindow::OnKey(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool control = event.GetModifiers() == wxMOD_CONTROL;
    Listing* listing = ListingOf(FindFocus());
    if (key == WXK_ESCAPE && event.GetModifiers() == wxMOD_NONE) Close();
    else if (control && key == 'C' && listing) CopyRows(listing->mList);
    else if (control && key == 'A' && listing) SelectAllRows(listing->mList);
    else event.Skip();
}

} // namespace Tarn::Demo
