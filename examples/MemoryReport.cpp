// The main job: builds the demo scene, measures it and prints the memory report.
//
//   tarn_memory_report [--objects N] [--output FILE] [--format report|summary|json|csv] [--snapshot FILE] [--time]
//
// The report is printed exactly as the recorder writes it; the other formats read it back and show it as tarn_report
// does. --snapshot also keeps the graph of the walk and writes it, with the report, for tarn_report's owners, paths
// and tree. --time tells on standard error how long building the world and walking it each took.
#include "examples/DemoScene.h"
#include "tools/report/ReportViews.h"
#include "utilities/memory/MemorySnapshot.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: tarn_memory_report [--objects N] [--output FILE] [--format report|summary|json|csv] [--snapshot FILE]\n"
    "                          [--time]\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

std::optional<std::string> Formatted(const Tarn::Objects::KStringA& report, const std::string& format) {
    std::string text(report.GetBuffer(), size_t(report.GetLen()));
    if (format == "report") return text;
    Tarn::Utilities::MemoryReport::Error error;
    const std::optional<Tarn::Utilities::MemoryReport> table = Tarn::Utilities::MemoryReport::Parse(text, error);
    if (!table) {
        std::fprintf(stderr, "tarn_memory_report: the report does not read back: %s\n", error.Text().c_str());
        return std::nullopt;
    }
    return format == "summary" ? Tarn::Utilities::Summary(*table)
           : format == "json"  ? Tarn::Utilities::Json(*table)
                               : Tarn::Utilities::Csv(*table);
}

} // namespace

int main(int argc, char** argv) {
    long objects = 1000;
    const char* output = nullptr;
    const char* snapshot = nullptr;
    std::string format = "report";
    bool time = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--objects") == 0 && hasValue) {
            char* end = nullptr;
            objects = std::strtol(argv[++i], &end, 10);
            if (*end || objects < 1 || objects > 100'000'000) return Usage();
        } else if (std::strcmp(argv[i], "--output") == 0 && hasValue) {
            output = argv[++i];
        } else if (std::strcmp(argv[i], "--snapshot") == 0 && hasValue) {
            snapshot = argv[++i];
        } else if (std::strcmp(argv[i], "--format") == 0 && hasValue) {
            format = argv[++i];
            if (format != "report" && format != "summary" && format != "json" && format != "csv") return Usage();
        } else if (std::strcmp(argv[i], "--time") == 0) {
            time = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            return Usage();
        }
    }

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    Tarn::Demo::DemoScene scene(static_cast<int>(objects));
    const auto built = Clock::now();
    Tarn::Utilities::RecordMemory recorder;
    if (snapshot) recorder.KeepGraph();
    scene.Measure(recorder);
    if (time) {
        const auto ms = [](Clock::duration spent) { return std::chrono::duration<double, std::milli>(spent).count(); };
        std::fprintf(stderr, "tarn_memory_report: built the world in %.1f ms, walked it in %.1f ms\n", ms(built - start),
                     ms(Clock::now() - built));
    }
    if (snapshot) {
        std::string error;
        if (!Tarn::Utilities::MemorySnapshot::Of(recorder).Write(snapshot, error)) {
            std::fprintf(stderr, "tarn_memory_report: %s\n", error.c_str());
            return 1;
        }
    }
    const std::optional<std::string> text = Formatted(recorder.GetResults(), format);
    if (!text) return 1;

    FILE* out = output ? std::fopen(output, "wb") : stdout;
    if (!out) {
        std::fprintf(stderr, "tarn_memory_report: cannot write %s\n", output);
        return 1;
    }
    // A report that did not reach its reader is a failure: a full disk, a closed standard output.
    const size_t length = text->size();
    bool written = std::fwrite(text->data(), 1, length, out) == length;
    written = std::fflush(out) == 0 && written && !std::ferror(out);
    if (output) written = std::fclose(out) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "tarn_memory_report: cannot write %s: %s\n", output ? output : "the report to standard output",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}
