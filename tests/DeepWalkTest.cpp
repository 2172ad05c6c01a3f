// Walks of any depth: chains far deeper than a thread's stack complete, with the report an unlimited stack gives, on
// whatever stack they start: a small thread's, the main thread's, or a job system's fiber that lies below or above
// its thread's stack.
#include "Probe.h"

#include "engine/devices/Devices.h"
#include "engine/graphics/Graphics.h"
#include "utilities/walk/StackSegments.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace {

using namespace Tarn::Objects;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::StackSegments;
using Tarn::Utilities::WalkPointer;

constexpr int kDepth = 100'000;
constexpr size_t kThreadStack = 256 * 1024, kFiberStack = 64 * 1024;

// Runs `work` on a thread of its own whose stack is [stack, stack + bytes), or one the system gives when `stack` is
// null.
void OnThread(char* stack, size_t bytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stack) pthread_attr_setstack(&attributes, stack, bytes);
    else pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    auto call = [](void* context) -> void* {
        (*static_cast<const std::function<void()>*>(context))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, call, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// A fiber as a job system makes one: `work` runs on [stack, stack + bytes), switched to and back with ucontext, the
// switches announced to the sanitizers as such a system announces them.
class Fiber {
public:
    static void Run(char* stack, size_t bytes, const std::function<void()>& work) {
        Fiber fiber(work);
        getcontext(&fiber.mFiber);
        fiber.mFiber.uc_stack = {stack, 0, bytes};
        fiber.mFiber.uc_link = nullptr;
        makecontext(&fiber.mFiber, &Fiber::Enter, 0);
        tEntering = &fiber;
#if defined(__SANITIZE_THREAD__)
        fiber.mCallerFiber = __tsan_get_current_fiber();
        void* own = __tsan_create_fiber(0);
        __tsan_switch_to_fiber(own, 0);
#endif
#if defined(__SANITIZE_ADDRESS__)
        void* fakeStack = nullptr;
        __sanitizer_start_switch_fiber(&fakeStack, stack, bytes);
#endif
        swapcontext(&fiber.mCaller, &fiber.mFiber);
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
#if defined(__SANITIZE_THREAD__)
        __tsan_destroy_fiber(own);
#endif
    }

private:
    explicit Fiber(const std::function<void()>& work) : mWork(work) {}

    static void Enter() {
        Fiber* fiber = tEntering;
#if defined(__SANITIZE_ADDRESS__)
        const void* callerBottom = nullptr;
        size_t callerSize = 0;
        __sanitizer_finish_switch_fiber(nullptr, &callerBottom, &callerSize);
#endif
        fiber->mWork();
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_start_switch_fiber(nullptr, callerBottom, callerSize);
#endif
#if defined(__SANITIZE_THREAD__)
        __tsan_switch_to_fiber(fiber->mCallerFiber, 0);
#endif
        swapcontext(&fiber->mFiber, &fiber->mCaller);
    }

    static inline thread_local Fiber* tEntering = nullptr;
    const std::function<void()>& mWork;
    ucontext_t mCaller{}, mFiber{};
#if defined(__SANITIZE_THREAD__)
    void* mCallerFiber = nullptr;
#endif
};

// Memory mapped for a test, unmapped after it.
struct Mapping {
    explicit Mapping(size_t bytes)
        : mBytes(bytes),
          mAt(static_cast<char*>(mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0))) {}
    ~Mapping() { munmap(mAt, mBytes); }
    size_t mBytes;
    char* mAt;
};

// A 64 KiB fiber of a thread whose own stack lies just above it, or just below it. The thread's stack is large
// enough for ThreadSanitizer, which keeps data of its own on a stack that the program provides.
void OnFiberBeside(bool fiberAbove, const std::function<void()>& work) {
    constexpr size_t kOwnStack = 2 << 20;
    const Mapping both(kOwnStack + kFiberStack);
    char* thread = fiberAbove ? both.mAt : both.mAt + kFiberStack;
    char* fiber = fiberAbove ? both.mAt + kOwnStack : both.mAt;
    OnThread(thread, kOwnStack, [&] { Fiber::Run(fiber, kFiberStack, work); });
}

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif

// Where a walk starts: a place runs the work there.
struct Place {
    const char* mName;
    std::function<void(const std::function<void()>&)> mRun;
    bool mTooSmall;  // for a chain of kDepth: the walk must go on on segments
};

const Place kPlaces[] = {
    {"SmallThread", [](const auto& work) { OnThread(nullptr, kThreadStack, work); }, true},
    // 8 MiB may hold a chain; ThreadSanitizer allows no more frames on it than on a segment.
    {"MainThread", [](const auto& work) { work(); }, kThreadSanitizer},
    {"FiberBelowItsThread", [](const auto& work) { OnFiberBeside(false, work); }, true},
    {"FiberAboveItsThread", [](const auto& work) { OnFiberBeside(true, work); }, true},
};

// A row of `count` objects each reached once.
std::string Row(const std::string& name, size_t bytes, int count) {
    return Tarn::Testing::Reports::Row(name, bytes, count, count);
}

// The report of a walk from `head`, with the segments it entered.
template <class X> std::string WalkFrom(X* head, unsigned long& segments) {
    RecordMemory recorder;
    const unsigned long before = StackSegments::SegmentsEntered();
    WalkPointer(head, &recorder);
    segments = StackSegments::SegmentsEntered() - before;
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

void PrintTo(const Chain& chain, std::ostream* out) { *out << chain.mName; }
void PrintTo(const Place& place, std::ostream* out) { *out << place.mName; }

class DeepWalk : public ::testing::TestWithParam<std::tuple<Chain, Place>> {};

TEST_P(DeepWalk, CompletesWithTheWholeReport) {
    const auto& [chain, place] = GetParam();
    std::string report;
    unsigned long segments = 0;
    place.mRun([&] { report = chain.mWalk(segments); });
    if (place.mTooSmall) {
        EXPECT_GT(segments, 0u) << "the walk never needed a fresh segment: the chain proves nothing";
    }
    const std::vector<std::string> expected = chain.mExpected();
    EXPECT_EQ(report.substr(0, expected[0].size()), expected[0]);
    size_t length = 0;
    for (const std::string& row : expected) {
        EXPECT_NE(report.find(row), std::string::npos) << row;
        length += row.size();
    }
    EXPECT_EQ(report.size(), length);
}

INSTANTIATE_TEST_SUITE_P(Chains, DeepWalk, ::testing::Combine(::testing::ValuesIn(kChains), ::testing::ValuesIn(kPlaces)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).mName) + "On" + std::get<1>(info.param).mName;
                         });

TEST(DeepWalk, AFiberWalksOnItsOwnStackOnlyWhenTheHostNamesIt) {
    const Mapping fiber(1 << 20);
    for (bool named : {false, true}) {
        SCOPED_TRACE(named ? "named" : "unnamed");
        unsigned long segments = 0;
        Fiber::Run(fiber.mAt, fiber.mBytes, [&] {
            std::optional<StackSegments::OnStack> stack;
            if (named) stack.emplace(fiber.mAt, fiber.mBytes);
            Point<float> point;
            EXPECT_EQ(WalkFrom(static_cast<APrimitive*>(&point), segments),
                      Tarn::Testing::Reports::Total(sizeof(point), 1, 1) + Row("Tarn::Objects::Point<float>", sizeof(point), 1));
        });
        EXPECT_EQ(segments, named ? 0u : 1u);
    }
}

TEST(DeepWalk, AnExceptionOnAFreshSegmentReachesTheCaller) {
    bool caught = false;
    OnThread(nullptr, kThreadStack, [&] {
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
