// libTarnHeapCheck.so: the allocator's entry points of the process, interposed, each recording or forgetting its block
// before handing on to the next definition (dlsym(RTLD_NEXT)): glibc's allocator, or another one loaded before.
//
// What it must never do is allocate through the heap it watches: its tables, the stacks and the snapshots live in
// memory mapped for them. Until the next definitions are found, the allocations that finding them makes (dlsym asks
// calloc for its error buffer) come from a small static arena. Blocks go into 64 shards by address, each an
// open-addressing table behind a spin lock of its own, so that threads allocating at once seldom meet, and a block
// freed by another thread than the one that allocated it is found in the same shard. Stack capture runs the unwinder,
// which may allocate on its first use: a thread-local flag makes such an allocation record no stack of its own.
#include "utilities/heapcheck/HeapCheck.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>

#define TARN_INTERPOSE extern "C" __attribute__((visibility("default")))

namespace {

using Tarn::Utilities::HeapBlock;
using Tarn::Utilities::HeapKind;

// ---- The next definitions, and the arena that serves until they are known

struct Next {
    void* (*mMalloc)(size_t);
    void (*mFree)(void*);
    void* (*mCalloc)(size_t, size_t);
    void* (*mRealloc)(void*, size_t);
    void* (*mMemalign)(size_t, size_t);
    void* (*mAlignedAlloc)(size_t, size_t);
    int (*mPosixMemalign)(void**, size_t, size_t);
    void* (*mValloc)(size_t);
    void* (*mPvalloc)(size_t);
    size_t (*mUsableSize)(void*);
};
Next gNext;
std::atomic<int> gState{0};  // 0: not looked for, 1: being looked for, 2: known

__attribute__((tls_model("initial-exec"))) thread_local bool tResolving = false;
__attribute__((tls_model("initial-exec"))) thread_local bool tInside = false;  // capturing a stack

constexpr size_t kArenaBytes = 64 * 1024;
alignas(64) char gArena[kArenaBytes];
std::atomic<size_t> gArenaUsed{0};

// A block of the arena has its size in the 16 bytes before it; the arena is never given back.
void* ArenaAllocate(size_t bytes, size_t alignment = 16) {
    if (alignment < 16) alignment = 16;
    if (bytes > kArenaBytes || alignment > 4096) return nullptr;
    size_t used = gArenaUsed.load(std::memory_order_relaxed);
    for (;;) {
        const size_t start = (used + 16 + alignment - 1) & ~(alignment - 1);
        const size_t end = start + ((bytes + 15) & ~size_t(15));
        if (end > kArenaBytes) return nullptr;
        if (gArenaUsed.compare_exchange_weak(used, end, std::memory_order_relaxed)) {
            std::memcpy(gArena + start - 16, &bytes, sizeof bytes);
            return gArena + start;
        }
    }
}
bool InArena(const void* p) { return p >= gArena && p < gArena + kArenaBytes; }
size_t ArenaSize(const void* p) {
    size_t bytes;
    std::memcpy(&bytes, static_cast<const char*>(p) - 16, sizeof bytes);
    return bytes;
}

void InitialiseStacks();

template <class F> void Find(F& next, const char* name) { next = reinterpret_cast<F>(dlsym(RTLD_NEXT, name)); }

// Whether the next definitions are known; false only on the thread looking for them, while it does.
bool Ready() {
    if (__builtin_expect(gState.load(std::memory_order_acquire) == 2, true)) return true;
    if (tResolving) return false;
    int expected = 0;
    if (gState.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
        tResolving = true;
        Next next{};
        Find(next.mMalloc, "malloc");
        Find(next.mFree, "free");
        Find(next.mCalloc, "calloc");
        Find(next.mRealloc, "realloc");
        Find(next.mMemalign, "memalign");
        Find(next.mAlignedAlloc, "aligned_alloc");
        Find(next.mPosixMemalign, "posix_memalign");
        Find(next.mValloc, "valloc");
        Find(next.mPvalloc, "pvalloc");
        Find(next.mUsableSize, "malloc_usable_size");
        gNext = next;
        tResolving = false;
        gState.store(2, std::memory_order_release);
        return true;
    }
    while (gState.load(std::memory_order_acquire) != 2) sched_yield();
    return true;
}

// ---- Locks

class SpinLock {
public:
    void Lock() {
        for (int spins = 0; mHeld.exchange(true, std::memory_order_acquire);) {
            while (mHeld.load(std::memory_order_relaxed)) {
                if (++spins < 64)
                    __builtin_ia32_pause();
                else
                    sched_yield();
            }
        }
    }
    void Unlock() { mHeld.store(false, std::memory_order_release); }

private:
    std::atomic<bool> mHeld{false};
};

class Locked {
public:
    explicit Locked(SpinLock& lock) : mLock(lock) { mLock.Lock(); }
    ~Locked() { mLock.Unlock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SpinLock& mLock;
};

void* Map(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

// ---- The blocks: shards of open-addressing tables, linear probing, deletion by shifting back

uint64_t Mix(const void* address) { return (reinterpret_cast<uintptr_t>(address) >> 4) * 0x9E3779B97F4A7C15ull; }

struct alignas(64) Shard {
    SpinLock mLock;
    HeapBlock* mSlots = nullptr;  // a null address is an empty slot
    size_t mMask = 0;
    std::atomic<size_t> mCount{0};

    size_t Home(const void* address) const { return (Mix(address) >> 20) & mMask; }

    // Doubles the table (or makes its first); false when no memory can be mapped, and the block goes unrecorded.
    bool Grow() {
        const size_t capacity = mSlots ? 2 * (mMask + 1) : 1024;
        auto* slots = static_cast<HeapBlock*>(Map(capacity * sizeof(HeapBlock)));
        if (!slots) return false;
        HeapBlock* old = mSlots;
        const size_t oldCapacity = mSlots ? mMask + 1 : 0;
        mSlots = slots;
        mMask = capacity - 1;
        for (size_t i = 0; i < oldCapacity; ++i)
            if (old[i].mAddress) {
                size_t at = Home(old[i].mAddress);
                while (mSlots[at].mAddress) at = (at + 1) & mMask;
                mSlots[at] = old[i];
            }
        if (old) munmap(old, oldCapacity * sizeof(HeapBlock));
        return true;
    }

    // Records the block, or replaces what was recorded at its address (a block freed where no one saw it).
    void Put(const HeapBlock& block) {
        const size_t count = mCount.load(std::memory_order_relaxed);
        if (2 * (count + 1) > (mSlots ? mMask + 1 : 0) && !Grow()) return;
        size_t at = Home(block.mAddress);
        while (mSlots[at].mAddress && mSlots[at].mAddress != block.mAddress) at = (at + 1) & mMask;
        if (!mSlots[at].mAddress) mCount.store(count + 1, std::memory_order_relaxed);
        mSlots[at] = block;
    }

    bool Take(const void* address, HeapBlock* taken) {
        if (!mSlots) return false;
        size_t at = Home(address);
        for (;; at = (at + 1) & mMask) {
            if (!mSlots[at].mAddress) return false;
            if (mSlots[at].mAddress == address) break;
        }
        if (taken) *taken = mSlots[at];
        // Shift back the entries after it that probed past it, so that no search stops short at the hole.
        for (size_t hole = at, next = (at + 1) & mMask;; next = (next + 1) & mMask) {
            if (!mSlots[next].mAddress) {
                mSlots[hole].mAddress = nullptr;
                break;
            }
            const size_t home = Home(mSlots[next].mAddress);
            if (((next - home) & mMask) >= ((next - hole) & mMask)) {
                mSlots[hole] = mSlots[next];
                hole = next;
            }
        }
        mCount.store(mCount.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
        return true;
    }
};

constexpr size_t kShards = 64;
Shard gShards[kShards];

Shard& ShardOf(const void* address) { return gShards[Mix(address) >> 58]; }

// ---- Stacks: each distinct stack kept once, numbered from 1

constexpr int kFrames = 8;
constexpr int kSkippedMost = 6;  // frames of the library itself, at most, above the allocating call
constexpr size_t kMostStacks = size_t(1) << 20;
constexpr size_t kStackSlots = 2 * kMostStacks;

struct Stack {
    uint64_t mHash;
    int mCount;
    void* mFrames[kFrames];
};

struct Depot {
    SpinLock mLock;
    Stack* mStacks = nullptr;  // mStacks[id - 1]
    uint32_t* mSlots = nullptr;  // ids by hash, 0 empty
    size_t mCount = 0;
    uintptr_t mOwnLow = 0, mOwnHigh = 0;  // the library's own code
};
Depot gDepot;
std::atomic<bool> gRecordStacks{false};

int FindOwnCode(dl_phdr_info* info, size_t, void* context) {
    auto* depot = static_cast<Depot*>(context);
    const uintptr_t here = reinterpret_cast<uintptr_t>(&FindOwnCode);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
        const uintptr_t low = info->dlpi_addr + segment.p_vaddr, high = low + segment.p_memsz;
        if (here >= low && here < high) {
            depot->mOwnLow = low;
            depot->mOwnHigh = high;
            return 1;
        }
    }
    return 0;
}

void InitialiseStacks() {
    tInside = true;
    gDepot.mStacks = static_cast<Stack*>(Map(kMostStacks * sizeof(Stack)));
    gDepot.mSlots = static_cast<uint32_t*>(Map(kStackSlots * sizeof(uint32_t)));
    dl_iterate_phdr(FindOwnCode, &gDepot);
    void* frames[4];
    backtrace(frames, 4);  // loads the unwinder now, not in the middle of some allocation
    tInside = false;
    const char* stacks = getenv("TARN_HEAPCHECK_STACKS");
    if (stacks && *stacks && *stacks != '0') gRecordStacks.store(true, std::memory_order_relaxed);
}

uint32_t CaptureStack() {
    if (tInside || !gDepot.mStacks || !gDepot.mSlots) return 0;
    tInside = true;
    void* captured[kFrames + kSkippedMost];
    const int got = backtrace(captured, kFrames + kSkippedMost);
    tInside = false;
    int first = 0;
    while (first < got && reinterpret_cast<uintptr_t>(captured[first]) >= gDepot.mOwnLow &&
           reinterpret_cast<uintptr_t>(captured[first]) < gDepot.mOwnHigh)
        ++first;
    Stack stack{};
    stack.mCount = std::min(got - first, kFrames);
    if (stack.mCount <= 0) return 0;
    std::memcpy(stack.mFrames, captured + first, size_t(stack.mCount) * sizeof(void*));
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int i = 0; i < stack.mCount; ++i) hash = (hash ^ reinterpret_cast<uintptr_t>(stack.mFrames[i])) * 0x100000001b3ull;
    stack.mHash = hash;

    const Locked locked(gDepot.mLock);
    for (size_t at = hash & (kStackSlots - 1);; at = (at + 1) & (kStackSlots - 1)) {
        const uint32_t id = gDepot.mSlots[at];
        if (!id) {
            if (gDepot.mCount == kMostStacks) return 0;
            gDepot.mStacks[gDepot.mCount] = stack;
            gDepot.mSlots[at] = uint32_t(++gDepot.mCount);
            return gDepot.mSlots[at];
        }
        const Stack& kept = gDepot.mStacks[id - 1];
        if (kept.mHash == hash && kept.mCount == stack.mCount &&
            std::memcmp(kept.mFrames, stack.mFrames, size_t(stack.mCount) * sizeof(void*)) == 0)
            return id;
    }
}

// ---- Recording

void Record(void* address, size_t bytes, HeapKind kind) {
    if (!address) return;
    const uint32_t stack = gRecordStacks.load(std::memory_order_relaxed) ? CaptureStack() : 0;
    Shard& shard = ShardOf(address);
    const Locked locked(shard.mLock);
    shard.Put({address, bytes, stack, kind});
}

bool Forget(const void* address, HeapBlock* forgotten = nullptr) {
    Shard& shard = ShardOf(address);
    const Locked locked(shard.mLock);
    return shard.Take(address, forgotten);
}

// A fork while another thread holds a lock would leave the child's copy held for ever.
void LockAll() {
    gDepot.mLock.Lock();
    for (Shard& shard : gShards) shard.mLock.Lock();
}
void UnlockAll() {
    for (Shard& shard : gShards) shard.mLock.Unlock();
    gDepot.mLock.Unlock();
}

__attribute__((constructor)) void Start() {
    Ready();
    InitialiseStacks();
    pthread_atfork(LockAll, UnlockAll, UnlockAll);
}

void* Allocate(size_t bytes, HeapKind kind) {
    if (__builtin_expect(!Ready(), false)) return ArenaAllocate(bytes);
    void* p = gNext.mMalloc(bytes);
    Record(p, bytes, kind);
    return p;
}

void* AllocateAligned(size_t alignment, size_t bytes, HeapKind kind) {
    if (__builtin_expect(!Ready(), false)) return ArenaAllocate(bytes, alignment);
    void* p = gNext.mMemalign(alignment, bytes);
    Record(p, bytes, kind);
    return p;
}

void Release(void* p) {
    if (!p || InArena(p)) return;
    Forget(p);
    if (Ready()) gNext.mFree(p);
}

// operator new: the new handler asked until it gives memory or gives up.
void* New(size_t bytes, HeapKind kind, size_t alignment = 0) {
    if (bytes == 0) bytes = 1;
    for (;;) {
        void* p = alignment ? AllocateAligned(alignment, bytes, kind) : Allocate(bytes, kind);
        if (p) return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}
void* NewNothrow(size_t bytes, HeapKind kind, size_t alignment = 0) noexcept {
    try {
        return New(bytes, kind, alignment);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

// ---- The C allocator

TARN_INTERPOSE void* malloc(size_t bytes) { return Allocate(bytes, HeapKind::Malloc); }

TARN_INTERPOSE void free(void* p) { Release(p); }

TARN_INTERPOSE void* calloc(size_t count, size_t size) {
    if (__builtin_expect(!Ready(), false)) {
        size_t bytes;
        if (__builtin_mul_overflow(count, size, &bytes)) return nullptr;
        return ArenaAllocate(bytes);  // zero: the arena is never reused
    }
    void* p = gNext.mCalloc(count, size);
    Record(p, count * size, HeapKind::Malloc);  // no overflow when it gave memory
    return p;
}

TARN_INTERPOSE void* realloc(void* p, size_t bytes) {
    if (!p) return malloc(bytes);
    if (InArena(p)) {
        void* moved = malloc(bytes);
        if (moved) std::memcpy(moved, p, std::min(bytes, ArenaSize(p)));
        return moved;
    }
    if (!Ready()) return nullptr;
    // Forgotten before the block may go back to the allocator, which may give its address to another thread at once;
    // recorded again as it was if it stays.
    HeapBlock old{};
    const bool known = Forget(p, &old);
    void* moved = gNext.mRealloc(p, bytes);
    if (moved)
        Record(moved, bytes, HeapKind::Malloc);
    else if (known && bytes != 0) {
        const Locked locked(ShardOf(p).mLock);
        ShardOf(p).Put(old);
    }
    return moved;
}

TARN_INTERPOSE void* reallocarray(void* p, size_t count, size_t size) {
    size_t bytes;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(p, bytes);
}

TARN_INTERPOSE void* memalign(size_t alignment, size_t bytes) {
    return AllocateAligned(alignment, bytes, HeapKind::Malloc);
}

TARN_INTERPOSE void* aligned_alloc(size_t alignment, size_t bytes) {
    if (__builtin_expect(!Ready(), false)) return ArenaAllocate(bytes, alignment);
    void* p = gNext.mAlignedAlloc(alignment, bytes);
    Record(p, bytes, HeapKind::Malloc);
    return p;
}

TARN_INTERPOSE int posix_memalign(void** result, size_t alignment, size_t bytes) {
    if (__builtin_expect(!Ready(), false)) {
        *result = ArenaAllocate(bytes, alignment);
        return *result ? 0 : ENOMEM;
    }
    const int error = gNext.mPosixMemalign(result, alignment, bytes);
    if (error == 0) Record(*result, bytes, HeapKind::Malloc);
    return error;
}

TARN_INTERPOSE void* valloc(size_t bytes) {
    if (__builtin_expect(!Ready(), false)) return ArenaAllocate(bytes, 4096);
    void* p = gNext.mValloc(bytes);
    Record(p, bytes, HeapKind::Malloc);
    return p;
}

TARN_INTERPOSE void* pvalloc(size_t bytes) {
    if (__builtin_expect(!Ready(), false)) return ArenaAllocate(bytes, 4096);
    void* p = gNext.mPvalloc(bytes);
    Record(p, bytes, HeapKind::Malloc);
    return p;
}

TARN_INTERPOSE size_t malloc_usable_size(void* p) {
    if (!p) return 0;
    if (InArena(p)) return ArenaSize(p);
    return Ready() ? gNext.mUsableSize(p) : 0;
}

// ---- operator new and delete, every form

#define TARN_INTERPOSE_CXX __attribute__((visibility("default")))
using std::align_val_t;
using std::nothrow_t;

TARN_INTERPOSE_CXX void* operator new(size_t n) { return New(n, HeapKind::New); }
TARN_INTERPOSE_CXX void* operator new[](size_t n) { return New(n, HeapKind::NewArray); }
TARN_INTERPOSE_CXX void* operator new(size_t n, const nothrow_t&) noexcept { return NewNothrow(n, HeapKind::New); }
TARN_INTERPOSE_CXX void* operator new[](size_t n, const nothrow_t&) noexcept { return NewNothrow(n, HeapKind::NewArray); }
TARN_INTERPOSE_CXX void* operator new(size_t n, align_val_t a) { return New(n, HeapKind::NewAligned, size_t(a)); }
TARN_INTERPOSE_CXX void* operator new[](size_t n, align_val_t a) { return New(n, HeapKind::NewArrayAligned, size_t(a)); }
TARN_INTERPOSE_CXX void* operator new(size_t n, align_val_t a, const nothrow_t&) noexcept {
    return NewNothrow(n, HeapKind::NewAligned, size_t(a));
}
TARN_INTERPOSE_CXX void* operator new[](size_t n, align_val_t a, const nothrow_t&) noexcept {
    return NewNothrow(n, HeapKind::NewArrayAligned, size_t(a));
}

TARN_INTERPOSE_CXX void operator delete(void* p) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete[](void* p) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete(void* p, size_t) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete[](void* p, size_t) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete(void* p, const nothrow_t&) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete[](void* p, const nothrow_t&) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete(void* p, align_val_t) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete[](void* p, align_val_t) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete(void* p, size_t, align_val_t) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete[](void* p, size_t, align_val_t) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete(void* p, align_val_t, const nothrow_t&) noexcept { Release(p); }
TARN_INTERPOSE_CXX void operator delete[](void* p, align_val_t, const nothrow_t&) noexcept { Release(p); }

// ---- What the process asks (HeapCheck.h)

TARN_INTERPOSE unsigned tarn_heapcheck_version(void) { return 1; }

TARN_INTERPOSE size_t tarn_heapcheck_snapshot(HeapBlock** blocks) {
    *blocks = nullptr;
    size_t estimate = 0;
    for (const Shard& shard : gShards) estimate += shard.mCount.load(std::memory_order_relaxed);
    size_t capacity = estimate + estimate / 4 + 1024, count = 0;
    auto* taken = static_cast<HeapBlock*>(Map(capacity * sizeof(HeapBlock)));
    if (!taken) return 0;
    for (Shard& shard : gShards) {
        shard.mLock.Lock();
        const size_t here = shard.mCount.load(std::memory_order_relaxed);
        if (count + here > capacity) {
            // Grown since the estimate: more room, mapped without the lock held.
            shard.mLock.Unlock();
            const size_t grown = 2 * (count + here) + 1024;
            void* moved = mremap(taken, capacity * sizeof(HeapBlock), grown * sizeof(HeapBlock), MREMAP_MAYMOVE);
            if (moved == MAP_FAILED) break;
            taken = static_cast<HeapBlock*>(moved);
            capacity = grown;
            shard.mLock.Lock();
            if (count + shard.mCount.load(std::memory_order_relaxed) > capacity) {
                shard.mLock.Unlock();
                continue;  // a shard that outgrew twice its size in a moment is left out
            }
        }
        for (size_t i = 0; shard.mSlots && i <= shard.mMask; ++i)
            if (shard.mSlots[i].mAddress) taken[count++] = shard.mSlots[i];
        shard.mLock.Unlock();
    }
    std::sort(taken, taken + count, [](const HeapBlock& a, const HeapBlock& b) { return a.mAddress < b.mAddress; });
    // The length is known to the caller only as the count: the mapping's true size goes in front of nothing, so it is
    // trimmed to the count's pages here and given back by that size.
    const size_t keep = std::max<size_t>(count, 1) * sizeof(HeapBlock);
    const size_t page = 4096, mapped = (capacity * sizeof(HeapBlock) + page - 1) / page * page;
    const size_t kept = (keep + page - 1) / page * page;
    if (kept < mapped) munmap(reinterpret_cast<char*>(taken) + kept, mapped - kept);
    *blocks = taken;
    return count;
}

TARN_INTERPOSE void tarn_heapcheck_release(HeapBlock* blocks, size_t count) {
    if (blocks) munmap(blocks, std::max<size_t>(count, 1) * sizeof(HeapBlock));
}

TARN_INTERPOSE int tarn_heapcheck_containing(const void* address, HeapBlock* block) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    for (Shard& shard : gShards) {
        const Locked locked(shard.mLock);
        for (size_t i = 0; shard.mSlots && i <= shard.mMask; ++i) {
            const HeapBlock& here = shard.mSlots[i];
            const auto start = reinterpret_cast<uintptr_t>(here.mAddress);
            if (here.mAddress && at >= start && at - start < std::max<uint64_t>(here.mBytes, 1)) {
                *block = here;
                return 1;
            }
        }
    }
    return 0;
}

TARN_INTERPOSE void tarn_heapcheck_record_stacks(int on) { gRecordStacks.store(on != 0, std::memory_order_relaxed); }

TARN_INTERPOSE int tarn_heapcheck_records_stacks(void) { return gRecordStacks.load(std::memory_order_relaxed); }

TARN_INTERPOSE int tarn_heapcheck_stack(uint32_t id, void** frames, int capacity) {
    const Locked locked(gDepot.mLock);
    if (id == 0 || id > gDepot.mCount) return 0;
    const Stack& stack = gDepot.mStacks[id - 1];
    const int count = std::min(stack.mCount, capacity);
    std::memcpy(frames, stack.mFrames, size_t(std::max(count, 0)) * sizeof(void*));
    return count;
}
