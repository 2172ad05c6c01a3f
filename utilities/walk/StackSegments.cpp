#include "utilities/walk/StackSegments.h"

#include <algorithm>
#include <exception>
#include <new>

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#define TARN_ASAN 1
#endif
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define TARN_TSAN 1
#endif

namespace Tarn::Utilities {

namespace {

// Large enough that segments are rare (a chain of ten million objects needs about a hundred in a release build),
// small enough to be mapped and unmapped cheaply; the pages are committed only as the walk reaches them.
// ThreadSanitizer keeps a call stack of at most 65,536 frames per thread or fiber: a walk uses no stack deeper than
// a segment, the thread's own included, and its segments stay well below that.
#if TARN_TSAN
constexpr size_t kSegmentBytes = size_t(1) << 20;
constexpr uintptr_t kDeepest = kSegmentBytes;
#else
constexpr size_t kSegmentBytes = size_t(16) << 20;
constexpr uintptr_t kDeepest = UINTPTR_MAX;
#endif

thread_local unsigned long tSegments = 0;

// Where a stack lies: [mLow, mHigh); empty when unknown.
struct Bounds {
    uintptr_t mLow = 0, mHigh = 0;

    bool Holds(uintptr_t address) const { return mLow <= address && address < mHigh; }
    // The lowest address a walk may recurse to: kReserve above the bottom, and no deeper than kDeepest below the top.
    uintptr_t Limit() const { return std::max(mLow, mHigh > kDeepest ? mHigh - kDeepest : 0) + StackSegments::kReserve; }
};

thread_local bool tThreadKnown = false;
thread_local Bounds tThread;  // the thread's own stack, learned at its first walk
thread_local Bounds tNamed;   // the stack the host named last (OnStack)

// What a segment runs, and how to get back.
struct Segment {
    void (*mBody)(void*);
    void* mContext;
    ucontext_t mCaller;
    ucontext_t mCallee;
    std::exception_ptr mFailure;
#if TARN_ASAN
    void* mFakeStack = nullptr;
    const void* mCallerBottom = nullptr;
    size_t mCallerSize = 0;
#endif
#if TARN_TSAN
    void* mCallerFiber = nullptr;
    void* mFiber = nullptr;
#endif
};

thread_local Segment* tEntering = nullptr;

// This thread's stack; empty when the thread cannot tell, and then every walk runs on segments.
Bounds ThreadStack() {
    pthread_attr_t attributes;
    void* bottom = nullptr;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return {};
    pthread_attr_getstack(&attributes, &bottom, &size);
    pthread_attr_destroy(&attributes);
    const auto low = reinterpret_cast<uintptr_t>(bottom);
    return {low, low + size};
}

void Enter() {
    Segment* segment = tEntering;
#if TARN_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &segment->mCallerBottom, &segment->mCallerSize);
#endif
    try {
        segment->mBody(segment->mContext);
    } catch (...) {
        segment->mFailure = std::current_exception();  // unwinding must not leave the segment
    }
#if TARN_ASAN
    __sanitizer_start_switch_fiber(nullptr, segment->mCallerBottom, segment->mCallerSize);
#endif
#if TARN_TSAN
    __tsan_switch_to_fiber(segment->mCallerFiber, 0);
#endif
    swapcontext(&segment->mCallee, &segment->mCaller);
}

} // namespace

unsigned long StackSegments::SegmentsEntered() { return tSegments; }

StackSegments::OnStack::OnStack(const void* low, size_t bytes) : mOuterLow(tNamed.mLow), mOuterHigh(tNamed.mHigh) {
    tNamed.mLow = reinterpret_cast<uintptr_t>(low);
    tNamed.mHigh = tNamed.mLow + bytes;
}

StackSegments::OnStack::~OnStack() { tNamed = {mOuterLow, mOuterHigh}; }

void StackSegments::Run(void (*body)(void*), void* context) {
    const uintptr_t here = StackPointer();
    if (!tThreadKnown) {
        tThread = ThreadStack();
        tThreadKnown = true;
    }
    // On a stack whose bounds are known, with room left: walk on here, and measure against that stack from now on.
    for (const Bounds* stack : {&tNamed, &tThread}) {
        if (!stack->Holds(here)) continue;
        const uintptr_t limit = stack->Limit();
        if (here < limit) break;
        tLimit = limit;
        tSpan = stack->mHigh - limit;
        return body(context);
    }

    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    void* mapped = mmap(nullptr, kSegmentBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                        -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    mprotect(mapped, page, PROT_NONE);  // a guard page below the segment
    char* bottom = static_cast<char*>(mapped) + page;
    const size_t usable = kSegmentBytes - page;

    Segment segment{body, context, {}, {}, nullptr};
    getcontext(&segment.mCallee);
    segment.mCallee.uc_stack.ss_sp = bottom;
    segment.mCallee.uc_stack.ss_size = usable;
    segment.mCallee.uc_link = nullptr;
    makecontext(&segment.mCallee, &Enter, 0);

    const uintptr_t outerLimit = tLimit, outerSpan = tSpan;
    Segment* outerEntering = tEntering;
    const Bounds own{reinterpret_cast<uintptr_t>(bottom), reinterpret_cast<uintptr_t>(bottom) + usable};
    tLimit = own.Limit();
    tSpan = own.mHigh - tLimit;
    tEntering = &segment;
    ++tSegments;
#if TARN_TSAN
    segment.mCallerFiber = __tsan_get_current_fiber();
    segment.mFiber = __tsan_create_fiber(0);
    __tsan_switch_to_fiber(segment.mFiber, 0);
#endif
#if TARN_ASAN
    __sanitizer_start_switch_fiber(&segment.mFakeStack, bottom, usable);
#endif
    swapcontext(&segment.mCaller, &segment.mCallee);
#if TARN_ASAN
    __sanitizer_finish_switch_fiber(segment.mFakeStack, nullptr, nullptr);
#endif
#if TARN_TSAN
    __tsan_destroy_fiber(segment.mFiber);
#endif
    tLimit = outerLimit;
    tSpan = outerSpan;
    tEntering = outerEntering;
#if TARN_ASAN
    // Frames left on the segment (Enter never returns) keep their redzones poisoned; the next mapping at this
    // address, a visited set say, would read as a stack overflow.
    __asan_unpoison_memory_region(bottom, usable);
#endif
    munmap(mapped, kSegmentBytes);
    if (segment.mFailure) std::rethrow_exception(segment.mFailure);
}

} // namespace Tarn::Utilities
