// The demo world held against the heap: what the object manager reaches is booked, each byte once, within its block.
#include "examples/DemoScene.h"
#include "utilities/heapcheck/HeapCheck.h"
#include "utilities/memory/HeapFindings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>

using Tarn::Utilities::HeapCheck;
using Tarn::Utilities::HeapFindings;
using Tarn::Utilities::RecordMemory;

namespace {

class DemoWorldHeap : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(HeapCheck::Loaded());
        sScene = new Tarn::Demo::DemoScene(1000);
        RecordMemory plain;
        sScene->Measure(plain);
        sPlainReport = std::string(plain.GetResults());
        sRecorder = new RecordMemory;
        sRecorder->KeepGraph();
        sScene->Measure(*sRecorder);
        sFindings = new HeapFindings(HeapFindings::Of(*sRecorder, HeapCheck::Blocks()));
        sSection = sFindings->Print(1000);
    }
    static void TearDownTestSuite() {
        delete sFindings;
        delete sRecorder;
        delete sScene;
    }

    static Tarn::Demo::DemoScene* sScene;
    static RecordMemory* sRecorder;
    static HeapFindings* sFindings;
    static std::string sPlainReport, sSection;
};
Tarn::Demo::DemoScene* DemoWorldHeap::sScene = nullptr;
RecordMemory* DemoWorldHeap::sRecorder = nullptr;
HeapFindings* DemoWorldHeap::sFindings = nullptr;
std::string DemoWorldHeap::sPlainReport, DemoWorldHeap::sSection;

TEST_F(DemoWorldHeap, Section) { std::fputs(sSection.c_str(), stdout); }

} // namespace
namespace {
TEST_F(DemoWorldHeap, Debug) {
    const auto blocks = HeapCheck::Blocks();
    for (const auto& b : sRecorder->Graph()->FirstBookings()) {
        const auto* block = blocks.Find(b.mAddress);
        if (!block) { std::printf("NOBLOCK %s %p %llu\n", b.mDynamicType, b.mAddress, (unsigned long long)b.mBytes); continue; }
    }
}
}
