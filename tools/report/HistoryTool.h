// `tarn_report history`: the command line over a history of builds (History.h).
//
//   tarn_report history add DB REPORT --label L [--time T] [--meta KEY=VALUE ...]
//   tarn_report history show DB [--type NAME | --namespace NAME] [--last N]
//   tarn_report history check DB [--last N] [--threshold PERCENT]   exit 1 and a line per grown type, 0 when none
//   tarn_report history plot DB -o FILE.svg [--top N]
//
// Exit 2 on bad input: an unreadable report, a file that is not a history, a malformed option.
#pragma once

#include "utilities/memory/MemoryReport.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace Tarn::Utilities {

class HistoryCommand {
public:
    // Reads a report named on the command line, or writes a file or "-"; either throws for what it cannot do.
    using ReadReport = std::function<MemoryReport(const std::string& path)>;
    using WriteFile = std::function<void(const std::string& path, const std::string& text)>;

    // Adds "history" and its commands to `app`.
    explicit HistoryCommand(CLI::App& app);

    bool Parsed() const { return mHistory->parsed(); }
    int Run(const ReadReport& read, const WriteFile& write, std::ostream& err);

private:
    CLI::App* mHistory;
    CLI::App* mAdd;
    CLI::App* mShow;
    CLI::App* mCheck;
    CLI::App* mPlot;
    std::string mDatabase, mReport, mLabel, mTime, mType, mNamespace, mOutput;
    std::vector<std::string> mMetadata;
    size_t mLast = 0;
    size_t mCheckLast = 5;
    double mThreshold = 10;
    size_t mTop = 5;
};

} // namespace Tarn::Utilities
