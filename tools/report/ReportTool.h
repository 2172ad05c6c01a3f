// The command line of tarn_report, callable with any streams so that it can be run inside a test.
//
//   tarn_report summary REPORT [--top N]
//   tarn_report diff BEFORE AFTER [--top N]
//   tarn_report check REPORT --budget FILE      exit 1 when a budget is broken
//   tarn_report json REPORT | csv REPORT
//   tarn_report treemap REPORT -o FILE.svg
//   tarn_report registrations [-o FILE]        what reaches what in the library's registry
//   tarn_report html REPORT [--before EARLIER] -o FILE.html      a snapshot's page shows its graph too (Page.h)
//   tarn_report history add|show|check|plot DB ...      (HistoryTool.h)
//   and the commands on snapshots (GraphCommands.h)
//
// A report is a file, or "-" for `in`. Exit 2 on bad input: an unreadable or malformed report or budget file, an
// unknown option.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace Tarn::Utilities {

// Bad input: the command stops with this message and exit 2.
struct Failure {
    std::string mMessage;
};

int RunReportTool(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace Tarn::Utilities
