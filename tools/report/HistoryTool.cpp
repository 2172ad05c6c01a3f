#include "tools/report/HistoryTool.h"

#include "tools/report/HistoryViews.h"

#include <ctime>
#include <set>

namespace Tarn::Utilities {

namespace {

constexpr int kGrown = 1, kBadInput = 2;

// "KEY=VALUE" options as pairs sorted by key; a missing "=", an empty key or a key given twice is bad input.
History::Metadata ParseMetadata(const std::vector<std::string>& options) {
    History::Metadata metadata;
    std::set<std::string> keys;
    for (const std::string& option : options) {
        const size_t equals = option.find('=');
        if (equals == std::string::npos || equals == 0)
            throw HistoryError("--meta takes KEY=VALUE, not \"" + option + "\"");
        if (!keys.insert(option.substr(0, equals)).second)
            throw HistoryError("--meta " + option.substr(0, equals) + " is given twice");
        metadata.emplace_back(option.substr(0, equals), option.substr(equals + 1));
    }
    return metadata;
}

} // namespace

HistoryCommand::HistoryCommand(CLI::App& app) {
    mHistory = app.add_subcommand("history", "The memory of every build in an SQLite database: add, show, check, plot");
    mHistory->require_subcommand(1);
    const std::string kDatabase = "The history's SQLite database";

    mAdd = mHistory->add_subcommand("add", "Adds a build's report to the history, made if the file is new");
    mAdd->add_option("DB", mDatabase, kDatabase)->required();
    mAdd->add_option("REPORT", mReport, "The build's report, or - for standard input")->required();
    mAdd->add_option("--label", mLabel, "The build's name, such as nightly-1042")->required();
    mAdd->add_option("--time", mTime, "When the build was made, 2026-11-01T02:00:00Z or 2026-11-01 (default: now)");
    mAdd->add_option("--meta", mMetadata, "KEY=VALUE to keep with the build, such as commit=1a2b3c; repeatable")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

    mShow = mHistory->add_subcommand("show", "Per build the total, a type's or a namespace's bytes and the change");
    mShow->add_option("DB", mDatabase, kDatabase)->required();
    CLI::Option* type = mShow->add_option("--type", mType, "One type's bytes");
    mShow->add_option("--namespace", mNamespace, "The bytes of every type whose name begins NAME::")->excludes(type);
    mShow->add_option("--last", mLast, "Only the last N builds")->check(CLI::PositiveNumber);

    mCheck = mHistory->add_subcommand("check", "Exit 1 and a line per type of the latest build that grew beyond the "
                                               "threshold over the median of the builds before; 0 when none");
    mCheck->add_option("DB", mDatabase, kDatabase)->required();
    mCheck->add_option("--last", mCheckLast, "How many builds before the latest make the median")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    mCheck->add_option("--threshold", mThreshold, "Growth in percent over the median that is too much")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);

    mPlot = mHistory->add_subcommand("plot", "An SVG chart of the total and the largest types over the builds");
    mPlot->add_option("DB", mDatabase, kDatabase)->required();
    mPlot->add_option("-o,--output", mOutput, "The SVG file to write, or - for standard output")->required();
    mPlot->add_option("--top", mTop, "How many of the latest build's largest types")->capture_default_str();
}

int HistoryCommand::Run(const ReadReport& read, const WriteFile& write, std::ostream& err) {
    try {
        if (mAdd->parsed()) {
            if (mLabel.empty()) throw HistoryError("--label is empty");
            int64_t time = std::time(nullptr);
            if (!mTime.empty() && !ParseTime(mTime, time))
                throw HistoryError("--time takes 2026-11-01T02:00:00Z or 2026-11-01, not \"" + mTime + "\"");
            const History::Metadata metadata = ParseMetadata(mMetadata);
            const MemoryReport report = read(mReport);
            History(mDatabase, History::Access::Add).Add(report, mLabel, time, metadata);
            return 0;
        }
        const History history(mDatabase, History::Access::Read);
        if (mShow->parsed()) {
            // A name as the views spell it, or as it is.
            const auto name = [](const std::string& text) { return MemoryReport::UnescapeName(text).value_or(text); };
            HistorySeries series;
            if (!mType.empty()) series = {HistorySeries::Kind::Type, name(mType)};
            if (!mNamespace.empty()) {
                series = {HistorySeries::Kind::Namespace, name(mNamespace)};
                if (series.mName.size() > 2 && series.mName.compare(series.mName.size() - 2, 2, "::") == 0)
                    series.mName.resize(series.mName.size() - 2);
            }
            write("-", ShowHistory(history, series, mLast));
        }
        if (mCheck->parsed()) {
            const std::vector<std::string> grown = GrownTypes(history, mCheckLast, mThreshold);
            std::string text;
            for (const std::string& line : grown) text += line + "\n";
            if (grown.empty()) {
                char threshold[32];
                std::snprintf(threshold, sizeof threshold, "%g%%", mThreshold);
                text = history.Builds(2).size() < 2
                           ? "nothing to compare: the history holds one build\n"
                           : "no type grew more than " + std::string(threshold) + " over the median of the last " +
                                 std::to_string(mCheckLast) + " builds\n";
            }
            write("-", text);
            return grown.empty() ? 0 : kGrown;
        }
        if (mPlot->parsed()) write(mOutput, PlotHistory(history, mTop));
    } catch (const HistoryError& error) {
        err << "tarn_report: " << error.what() << "\n";
        return kBadInput;
    }
    return 0;
}

} // namespace Tarn::Utilities
