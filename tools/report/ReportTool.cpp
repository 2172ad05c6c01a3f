#include "tools/report/ReportTool.h"

#include "tools/report/Budgets.h"
#include "tools/report/GraphCommands.h"
#include "tools/report/GraphViews.h"
#include "tools/report/HistoryTool.h"
#include "tools/report/Page.h"
#include "tools/report/ReportViews.h"
#include "tools/report/Treemap.h"
#include "utilities/memory/MemorySnapshot.h"
#include "utilities/walk/RegistrationTable.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace Tarn::Utilities {

namespace {

constexpr int kBadInput = 2;

std::string ReadAll(const std::string& path, std::istream& in) {
    std::ostringstream text;
    if (path == "-") {
        text << in.rdbuf();
        return text.str();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Failure{"cannot read " + path + ": " + std::strerror(errno)};
    text << file.rdbuf();
    return text.str();
}

std::string NameOf(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

MemoryReport ParseReport(const std::string& text, const std::string& name) {
    MemoryReport::Error error;
    std::optional<MemoryReport> report = MemoryReport::Parse(text, error);
    if (!report) throw Failure{name + ": " + error.Text()};
    return std::move(*report);
}

MemoryReport ReadReport(const std::string& path, std::istream& in) {
    std::string text = ReadAll(path, in);
    if (MemorySnapshot::IsSnapshot(text)) {  // a snapshot carries its report
        std::string why;
        std::optional<std::string> carried = MemorySnapshot::ReportOf(text, why);
        if (!carried) throw Failure{NameOf(path) + ": " + why};
        text = std::move(*carried);
    }
    return ParseReport(text, NameOf(path));
}

void Write(const std::string& path, const std::string& text, std::ostream& out) {
    if (path == "-") {
        if (!(out << text << std::flush)) throw Failure{"cannot write to standard output"};
        return;
    }
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file) throw Failure{"cannot write " + path + ": " + std::strerror(errno)};
}

} // namespace

int RunReportTool(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    CLI::App app("Reads the memory reports of TarnDebugUtil's recorder: a summary, the difference of two reports, "
                 "budgets, JSON, CSV, a treemap, a page for a web browser and a history of builds; and its "
                 "snapshots: owners, retained bytes, paths, the dominator tree.",
                 "tarn_report");
    app.require_subcommand(1);
    std::string report, before, after, budgets, output, by = "type";
    size_t top = 0;
    const std::string kReport = "The report's file, or - for standard input";

    CLI::App* summary = app.add_subcommand("summary", "The types by falling bytes with their shares, for a terminal");
    summary->add_option("REPORT", report, kReport)->required();
    summary->add_option("--top", top, "Only the N largest types; the rest in one line")->check(CLI::PositiveNumber);
    CLI::App* diff = app.add_subcommand("diff", "The change of every type between two reports, largest first");
    diff->add_option("BEFORE", before, "The earlier report's file, or -")->required();
    diff->add_option("AFTER", after, "The later report's file, or -")->required();
    diff->add_option("--top", top, "Only the N largest changes")->check(CLI::PositiveNumber);
    CLI::App* check = app.add_subcommand("check", "Exit 1 and one line per broken budget, 0 when all hold");
    check->add_option("REPORT", report, kReport)->required();
    check->add_option("--budget", budgets, "The budget file: lines of \"total LIMIT\", \"type NAME LIMIT\", "
                                           "\"namespace NAME LIMIT\"")->required();
    CLI::App* json = app.add_subcommand("json", "The rows as JSON");
    json->add_option("REPORT", report, kReport)->required();
    CLI::App* csv = app.add_subcommand("csv", "The rows as CSV (RFC 4180)");
    csv->add_option("REPORT", report, kReport)->required();
    CLI::App* treemap = app.add_subcommand("treemap", "An SVG treemap of memory by type, grouped by namespace");
    treemap->add_option("REPORT", report, kReport)->required();
    treemap->add_option("-o,--output", output, "The SVG file to write, or - for standard output")->required();
    treemap->add_option("--by", by, "type (a report's types by namespace) or owner (a snapshot's dominator tree)")
        ->check(CLI::IsMember({"type", "owner"}));
    const GraphCommands graph(app);
    CLI::App* registrations = app.add_subcommand(
        "registrations", "What reaches what: for each class of the registry, the classes registered under it and the "
                         "pointers through which it is found");
    registrations->add_option("-o,--output", output, "The file to write, or - for standard output")->default_val("-");
    CLI::App* html = app.add_subcommand("html", "A page for a web browser: the treemap and the table of types, "
                                                "sortable and filtered; with --before, the change of every type; for "
                                                "a snapshot, the treemap by owner, the dominator tree and paths");
    html->add_option("REPORT", report, kReport)->required();
    html->add_option("--before", before, "An earlier report to compare with");
    html->add_option("-o,--output", output, "The HTML file to write, or - for standard output")->required();
    HistoryCommand history(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, err) == 0 ? 0 : kBadInput;
    }

    try {
        if (summary->parsed()) Write("-", Summary(ReadReport(report, in), top), out);
        if (diff->parsed()) Write("-", Diff(ReadReport(before, in), ReadReport(after, in), top), out);
        if (json->parsed()) Write("-", Json(ReadReport(report, in)), out);
        if (csv->parsed()) Write("-", Csv(ReadReport(report, in)), out);
        if (treemap->parsed())
            Write(output, by == "owner" ? GraphCommands::OwnerTreemapOf(report, in, err) : Treemap(ReadReport(report, in)),
                  out);
        if (const std::optional<int> code = graph.Run(in, out, err)) return *code;
        if (registrations->parsed()) Write(output, ReachText(LibraryRegistrationRows()), out);
        if (html->parsed()) {
            const MemoryReport earlier = before.empty() ? MemoryReport{} : ReadReport(before, in);
            const std::string laterName = NameOf(report), earlierName = NameOf(before);
            const PageReport earlierPage{earlier, earlierName};
            const auto page = [&](const MemoryReport& later, const SnapshotAnalysis* graph) {
                Write(output, Page({later, laterName, graph}, before.empty() ? nullptr : &earlierPage), out);
            };
            // A snapshot brings its graph to the page, beside the report it carries.
            if (std::string bytes = ReadAll(report, in); MemorySnapshot::IsSnapshot(bytes)) {
                const SnapshotAnalysis graph = GraphCommands::Analyse(bytes, laterName, err);
                bytes = std::string();
                page(ParseReport(graph.mSnapshot.mReport, laterName), &graph);
            } else {
                page(ParseReport(bytes, laterName), nullptr);
            }
        }
        if (history.Parsed()) {
            return history.Run([&](const std::string& path) { return ReadReport(path, in); },
                               [&](const std::string& path, const std::string& text) { Write(path, text, out); }, err);
        }
        if (check->parsed()) {
            const MemoryReport measured = ReadReport(report, in);
            MemoryReport::Error error;
            const std::optional<std::vector<Budget>> limits = ParseBudgets(ReadAll(budgets, in), error);
            if (!limits) throw Failure{(budgets == "-" ? "standard input" : budgets) + ": " + error.Text()};
            const std::vector<std::string> broken = BrokenBudgets(measured, *limits, budgets);
            std::string text = broken.empty() ? "all " + std::to_string(limits->size()) + " budgets hold\n" : "";
            for (const std::string& line : broken) text += line + "\n";
            Write("-", text, out);
            return broken.empty() ? 0 : 1;
        }
    } catch (const Failure& failure) {
        err << "tarn_report: " << failure.mMessage << "\n";
        return kBadInput;
    }
    return 0;
}

} // namespace Tarn::Utilities
