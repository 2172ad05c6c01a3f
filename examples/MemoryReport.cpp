// The main job: builds the demo scene, measures it and prints the memory report.
//
//   tarn_memory_report [--objects N] [--output FILE] [--format report|summary|json|csv] [--snapshot FILE] [--time]
//                      [--heap-check]
//
// The report is printed exactly as the recorder writes it; the other formats read it back and show it as tarn_report
// does. --snapshot also keeps the graph of the walk and writes it, with the report, for tarn_report's owners, paths
// and tree. --time tells on standard error how long building the world and walking it each took.
//
// --heap-check holds the walk against the live heap (utilities/memory/HeapFindings.h) and prints the check's section,
// with the allocating stacks of what no walker booked, on standard error; the report is the same. The check must see
// every allocation from the start: without the heap check library in the process, the program runs itself again with
// the library preloaded (LD_PRELOAD) and stacks recorded, as a host runs its own program under the check.
#include "examples/DemoScene.h"
#include "tools/report/ReportViews.h"
#include "utilities/heapcheck/HeapCheck.h"
#include "utilities/memory/HeapFindings.h"
#include "utilities/memory/MemorySnapshot.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage: tarn_memory_report [--objects N] [--output FILE] [--format report|summary|json|csv] [--snapshot FILE]\n"
    "                          [--time] [--heap-check]\n";

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

// Runs this program again under the heap check; returns only when it cannot.
int UnderHeapCheck(char** argv) {
#ifdef TARN_HEAPCHECK_LIBRARY
    if (!std::getenv("TARN_HEAPCHECK_AGAIN")) {
        std::string preload = TARN_HEAPCHECK_LIBRARY;
        if (const char* before = std::getenv("LD_PRELOAD"); before && *before) preload += std::string(":") + before;
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("TARN_HEAPCHECK_STACKS", "1", 0);
        setenv("TARN_HEAPCHECK_AGAIN", "1", 1);  // once: a library that does not load is said, not looped on
        execv("/proc/self/exe", argv);
        std::fprintf(stderr, "tarn_memory_report: cannot run again under the heap check: %s\n", std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "tarn_memory_report: the heap check did not load from %s\n", TARN_HEAPCHECK_LIBRARY);
#else
    (void)argv;
    std::fputs("tarn_memory_report: this build has no heap check (a sanitizer's allocator is in its place)\n", stderr);
#endif
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    long objects = 1000;
    const char* output = nullptr;
    const char* snapshot = nullptr;
    std::string format = "report";
    bool time = false, heapCheck = false;
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
        } else if (std::strcmp(argv[i], "--heap-check") == 0) {
            heapCheck = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            return Usage();
        }
    }

    if (heapCheck && !Tarn::Utilities::HeapCheck::Loaded()) return UnderHeapCheck(argv);
    if (heapCheck && !std::getenv("TARN_HEAPCHECK_STACKS")) Tarn::Utilities::HeapCheck::RecordStacks(true);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    Tarn::Demo::DemoScene scene(static_cast<int>(objects));
    const auto built = Clock::now();
    Tarn::Utilities::RecordMemory recorder;
    if (snapshot || heapCheck) recorder.KeepGraph();
    scene.Measure(recorder);
    if (time) {
        const auto ms = [](Clock::duration spent) { return std::chrono::duration<double, std::milli>(spent).count(); };
        std::fprintf(stderr, "tarn_memory_report: built the world in %.1f ms, walked it in %.1f ms\n", ms(built - start),
                     ms(Clock::now() - built));
    }
    if (heapCheck) {
        const std::string section =
            Tarn::Utilities::HeapFindings::Of(recorder, Tarn::Utilities::HeapCheck::Blocks()).Print();
        std::fputs(section.c_str(), stderr);
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
