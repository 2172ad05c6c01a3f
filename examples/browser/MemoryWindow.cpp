#include "examples/browser/MemoryWindow.h"

#include "utilities/memory/MemoryReport.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace Tarn::Demo {

namespace {

// The report's columns; a continuation line fills only the last two.
const char* const kColumns[] = {"Type", "Bytes", "Instances", "References", "Also measured as", "Instances"};
const int kWidths[] = {300, 90, 80, 90, 220, 80};

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

} // namespace

MemoryWindow::MemoryWindow(wxWindow* parent)
    : wxFrame(parent, wxID_ANY, "Memory", wxDefaultPosition, wxSize(760, 320),
              wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT | wxFRAME_TOOL_WINDOW) {
    auto* panel = new wxPanel(this);
    mSummary = new wxStaticText(panel, wxID_ANY, wxEmptyString);
    mTable = new wxListCtrl(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT);
    for (int column = 0; column < 6; ++column)
        mTable->InsertColumn(column, kColumns[column],
                             column == 0 || column == 4 ? wxLIST_FORMAT_LEFT : wxLIST_FORMAT_RIGHT, kWidths[column]);
    auto* copy = new wxButton(panel, wxID_COPY, "&Copy Report");
    auto* close = new wxButton(panel, wxID_CLOSE, "Close");
    copy->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxClipboardLocker open;
        if (!!open) wxTheClipboard->SetData(new wxTextDataObject(mReport));
    });
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(copy, 0, wxRIGHT, 8);
    buttons->Add(close);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(mSummary, 0, wxEXPAND | wxALL, 8);
    top->Add(mTable, 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
    top->Add(buttons, 0, wxEXPAND | wxALL, 8);
    panel->SetSizer(top);
}

void MemoryWindow::ShowReport(const wxString& what, const Objects::KStringA& report) {
    mWhat = what;
    mReport = wxString::FromUTF8(report.GetBuffer(), static_cast<size_t>(report.GetLen()));
    SetTitle("Memory of " + what);
    mTable->DeleteAllItems();
    Utilities::MemoryReport::Error error;
    const std::optional<Utilities::MemoryReport> table =
        Utilities::MemoryReport::Parse(std::string_view(report.GetBuffer(), size_t(report.GetLen())), error);
    if (!table) {
        mSummary->SetLabel(what + ": the report does not read back, " + error.Text());
        return;
    }
    const Utilities::MemoryReport::Row& total = table->mTotal;
    mSummary->SetLabel(wxString::Format("%s: %s bytes in %s objects (%s references)", what, Thousands(total.mBytes),
                                        Thousands(total.mInstances), Thousands(total.mReferences)));
    long line = 0;
    for (const Utilities::MemoryReport::Row& row : table->mRows) {
        mTable->InsertItem(line, wxString::FromUTF8(row.mName));
        mTable->SetItem(line, 1, Thousands(row.mBytes));
        mTable->SetItem(line, 2, Thousands(row.mInstances));
        mTable->SetItem(line, 3, Thousands(row.mReferences));
        // Further static types go on lines of their own, as in the report.
        for (size_t i = 0; i < row.mStaticTypes.size(); ++i) {
            if (i > 0) mTable->InsertItem(++line, wxEmptyString);
            mTable->SetItem(line, 4, wxString::FromUTF8(row.mStaticTypes[i].mName));
            mTable->SetItem(line, 5, Thousands(row.mStaticTypes[i].mInstances));
        }
        ++line;
    }
    Layout();
}

} // namespace Tarn::Demo
