// What the tests of reports share: a report read from text, tarn_report's command line run in-process, files.
#pragma once

#include "tools/report/ReportTool.h"
#include "utilities/memory/MemoryReport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace Tarn::Utilities {

// The report of `text`, which the test expects to be one.
inline MemoryReport Read(const std::string& text) {
    MemoryReport::Error error;
    std::optional<MemoryReport> report = MemoryReport::Parse(text, error);
    EXPECT_TRUE(report) << error.Text();
    return report ? *report : MemoryReport{};
}

struct Outcome {
    int mCode;
    std::string mOut, mErr;
};

inline Outcome Tool(const std::vector<std::string>& arguments, const std::string& input = "") {
    std::vector<const char*> argv{"tarn_report"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = RunReportTool(int(argv.size()), argv.data(), in, out, err);
    return {code, out.str(), err.str()};
}

inline std::string TempFile(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "tarn_report_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

inline std::string FileText(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

} // namespace Tarn::Utilities
