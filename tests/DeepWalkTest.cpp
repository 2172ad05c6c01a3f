// Walks of any depth: chains far deeper than a thread's stack complete, with the report an unlimited stack gives.
#include "Probe.h"

#include "engine/devices/Devices.h"
#include "engine/graphics/Graphics.h"
#include "utilities/walk/StackSegments.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Tarn::Objects;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::StackSegments;
using Tarn::Utilities::WalkPointer;

constexpr int kDepth = 100'000;

// Runs `work` on a thread of its own with a 256 KiB stack: a chain of 10^5 objects needs many times that.
void OnSmallStack(const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    auto call = [](void* context) -> void* {
        (*static_cast<const std::function<void()>*>(context))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, call, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// A row of `count` objects each reached once.
std::string Row(const std::string& name, size_t bytes, int count) {
    return Tarn::Testing::Reports::Row(name, bytes, count, count);
}

// The report of a walk from `head`, with the segments this thread has entered so far.
template <class X> std::string WalkFrom(X* head, unsigned long& segments) {
    RecordMemory recorder;
    WalkPointer(head, &recorder);
    segments = StackSegments::SegmentsEntered();
    return std::string(recorder.GetResults());
}

// Each case builds a chain of kDepth links, walks it from its head and answers the report and the segments used.
struct Chain {
    const char* mName;
    std::function<std::string(unsigned long& segments)> mWalk;
    std::function<std::vector<std::string>()> mExpected;  // the Total line, then the rows in any order
};

std::string PointChain(unsigned long& segments) {
    std::vector<Point<float>> points(kDepth);
    for (int i = 0; i + 1 < kDepth; ++i) points[size_t(i)].mRelated = &points[size_t(i) + 1];
    return WalkFrom(static_cast<APrimitive*>(&points[0]), segments);
}

// Parameter sets attached to one another: each link is a set, its attachment and the next set.
std::string AttachmentChain(unsigned long& segments) {
    std::vector<Tarn::Devices::AParameterSet> sets(kDepth);
    std::vector<std::unique_ptr<Attachment>> links;
    for (int i = 0; i + 1 < kDepth; ++i) {
        links.push_back(std::make_unique<Attachment>(static_cast<ARefCounted*>(&sets[size_t(i) + 1])));
        sets[size_t(i)].Attach(links.back().get());
    }
    return WalkFrom(static_cast<ARefCounted*>(&sets[0]), segments);
}

// Group nodes over render lists whose items are the next group: objects holding lists holding objects.
std::string ListChain(unsigned long& segments) {
    std::vector<Tarn::Graphics::BaseGroupNode> groups(kDepth);
    std::vector<Tarn::Graphics::ARenderList> lists(kDepth);
    for (int i = 0; i < kDepth; ++i) {
        groups[size_t(i)].mWorld = &lists[size_t(i)];
        if (i + 1 < kDepth) lists[size_t(i)].mItems.Add(&groups[size_t(i) + 1]);
    }
    return WalkFrom(static_cast<Tarn::Graphics::ARenderNode*>(&groups[0]), segments);
}

const Chain kChains[] = {
    {"PointsRelatedToTheNext",
     PointChain,
     [] {
         const size_t bytes = kDepth * sizeof(Point<float>);
         return std::vector<std::string>{Row("Total", bytes, kDepth), Row("Tarn::Objects::Point<float>", bytes, kDepth)};
     }},
    {"AttachmentsHoldingAttachableObjects",
     AttachmentChain,
     [] {
         const size_t sets = kDepth * sizeof(Tarn::Devices::AParameterSet), links = (kDepth - 1) * sizeof(Attachment);
         return std::vector<std::string>{Row("Total", sets + links, 2 * kDepth - 1),
                                         Row("Tarn::Devices::AParameterSet", sets, kDepth),
                                         Row("Tarn::Objects::Attachment", links, kDepth - 1)};
     }},
    {"ListsOfObjectsHoldingLists",
     ListChain,
     [] {
         using namespace Tarn::Graphics;
         const size_t lists = kDepth * sizeof(ARenderList), groups = kDepth * sizeof(BaseGroupNode);
         const size_t arrays = (kDepth - 1) * 2 * sizeof(ARenderNode*);  // one item, room for two
         return std::vector<std::string>{Row("Total", lists + groups + arrays, 3 * kDepth - 1),
                                         Row("Tarn::Graphics::ARenderList", lists, kDepth),
                                         Row("Tarn::Graphics::BaseGroupNode", groups, kDepth),
                                         Row("Tarn::Graphics::ARenderNode**", arrays, kDepth - 1)};
     }},
};

class DeepWalk : public ::testing::TestWithParam<Chain> {};

TEST_P(DeepWalk, CompletesOnASmallStackWithTheWholeReport) {
    std::string report;
    unsigned long segments = 0;
    OnSmallStack([&] { report = GetParam().mWalk(segments); });
    EXPECT_GT(segments, 0u) << "the walk never needed a fresh segment: the chain proves nothing";
    const std::vector<std::string> expected = GetParam().mExpected();
    EXPECT_EQ(report.substr(0, expected[0].size()), expected[0]);
    size_t length = 0;
    for (const std::string& row : expected) {
        EXPECT_NE(report.find(row), std::string::npos) << row;
        length += row.size();
    }
    EXPECT_EQ(report.size(), length);
}

INSTANTIATE_TEST_SUITE_P(Chains, DeepWalk, ::testing::ValuesIn(kChains),
                         [](const auto& info) { return std::string(info.param.mName); });

TEST(DeepWalk, AnExceptionOnAFreshSegmentReachesTheCaller) {
    bool caught = false;
    OnSmallStack([&] {
        try {
            std::function<void(int)> recurse = [&](int depth) {
                if (StackSegments::Low()) {
                    StackSegments::Run([](void*) { throw std::runtime_error("deep"); }, nullptr);
                    return;
                }
                volatile char frame[512] = {};
                (void)frame;
                recurse(depth + 1);
            };
            recurse(0);
        } catch (const std::runtime_error& error) {
            caught = std::string(error.what()) == "deep";
        }
    });
    EXPECT_TRUE(caught);
}

} // namespace
