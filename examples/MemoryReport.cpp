// The main job: builds the demo scene, measures it and prints the memory report.
//
//   tarn_memory_report [--objects N] [--output FILE]
#include "examples/DemoScene.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kUsage = "usage: tarn_memory_report [--objects N] [--output FILE]\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    long objects = 1000;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--objects") == 0 && hasValue) {
            char* end = nullptr;
            objects = std::strtol(argv[++i], &end, 10);
            if (*end || objects < 1 || objects > 100'000'000) return Usage();
        } else if (std::strcmp(argv[i], "--output") == 0 && hasValue) {
            output = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            return Usage();
        }
    }

    Tarn::Demo::DemoScene scene(static_cast<int>(objects));
    Tarn::Utilities::RecordMemory recorder;
    scene.Measure(recorder);
    const Tarn::Objects::KStringA report = recorder.GetResults();

    FILE* out = output ? std::fopen(output, "wb") : stdout;
    if (!out) {
        std::fprintf(stderr, "tarn_memory_report: cannot write %s\n", output);
        return 1;
    }
    // A report that did not reach its reader is a failure: a full disk, a closed standard output.
    const size_t length = size_t(report.GetLen());
    bool written = std::fwrite(report.GetBuffer(), 1, length, out) == length;
    written = std::fflush(out) == 0 && written && !std::ferror(out);
    if (output) written = std::fclose(out) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "tarn_memory_report: cannot write %s: %s\n", output ? output : "the report to standard output",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}
