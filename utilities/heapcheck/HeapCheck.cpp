// The process's side of the heap check: the library's entry points found at run time, so that the accountant works
// the same with or without it.
#include "utilities/heapcheck/HeapCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <cxxabi.h>
#include <dlfcn.h>

namespace Tarn::Utilities {

namespace {

struct EntryPoints {
    decltype(&tarn_heapcheck_version) mVersion;
    decltype(&tarn_heapcheck_snapshot) mSnapshot;
    decltype(&tarn_heapcheck_release) mRelease;
    decltype(&tarn_heapcheck_containing) mContaining;
    decltype(&tarn_heapcheck_record_stacks) mRecordStacks;
    decltype(&tarn_heapcheck_records_stacks) mRecordsStacks;
    decltype(&tarn_heapcheck_stack) mStack;
};

template <class F> void Find(F& entry, const char* name) { entry = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name)); }

// Null without the library (or with one that lacks an entry point: one of another version).
const EntryPoints* Library() {
    static const EntryPoints* const library = [] {
        static EntryPoints entries{};
        Find(entries.mVersion, "tarn_heapcheck_version");
        Find(entries.mSnapshot, "tarn_heapcheck_snapshot");
        Find(entries.mRelease, "tarn_heapcheck_release");
        Find(entries.mContaining, "tarn_heapcheck_containing");
        Find(entries.mRecordStacks, "tarn_heapcheck_record_stacks");
        Find(entries.mRecordsStacks, "tarn_heapcheck_records_stacks");
        Find(entries.mStack, "tarn_heapcheck_stack");
        const bool all = entries.mVersion && entries.mSnapshot && entries.mRelease && entries.mContaining &&
                         entries.mRecordStacks && entries.mRecordsStacks && entries.mStack;
        return all && entries.mVersion() == 1 ? &entries : nullptr;
    }();
    return library;
}

bool Before(const HeapBlock& a, const HeapBlock& b) { return a.mAddress < b.mAddress; }

} // namespace

// ---- HeapBlocks

HeapBlocks::HeapBlocks(std::vector<HeapBlock> blocks) : mOwned(std::move(blocks)) {
    std::sort(mOwned.begin(), mOwned.end(), Before);
    mBlocks = mOwned.data();
    mCount = mOwned.size();
}

HeapBlocks::HeapBlocks(HeapBlocks&& other) noexcept { *this = std::move(other); }

HeapBlocks& HeapBlocks::operator=(HeapBlocks&& other) noexcept {
    if (this == &other) return *this;
    Release();
    mOwned = std::move(other.mOwned);
    mBlocks = other.mMapped ? other.mBlocks : mOwned.data();
    mCount = other.mCount;
    mMapped = other.mMapped;
    other.mBlocks = nullptr;
    other.mCount = 0;
    other.mMapped = false;
    return *this;
}

HeapBlocks::~HeapBlocks() { Release(); }

void HeapBlocks::Release() {
    if (mMapped && Library()) Library()->mRelease(mBlocks, mCount);
    mMapped = false;
    mBlocks = nullptr;
    mCount = 0;
    mOwned.clear();
}

uint64_t HeapBlocks::Bytes() const {
    uint64_t bytes = 0;
    for (const HeapBlock& block : *this) bytes += block.mBytes;
    return bytes;
}

const HeapBlock* HeapBlocks::Find(const void* address) const {
    const HeapBlock* after = std::upper_bound(begin(), end(), HeapBlock{address, 0, 0, HeapKind::Malloc}, Before);
    if (after == begin()) return nullptr;
    const HeapBlock* block = after - 1;
    const auto offset = uintptr_t(address) - uintptr_t(block->mAddress);
    return offset < std::max<uint64_t>(block->mBytes, 1) ? block : nullptr;
}

// ---- HeapCheck

bool HeapCheck::Loaded() { return Library() != nullptr; }

HeapBlocks HeapCheck::Blocks() {
    if (!Library()) return {};
    HeapBlock* blocks = nullptr;
    const size_t count = Library()->mSnapshot(&blocks);
    if (!blocks) return {};
    return HeapBlocks(blocks, count);
}

bool HeapCheck::Containing(const void* address, HeapBlock& block) {
    return Library() && Library()->mContaining(address, &block);
}

void HeapCheck::RecordStacks(bool on) {
    if (Library()) Library()->mRecordStacks(on);
}

bool HeapCheck::RecordsStacks() { return Library() && Library()->mRecordsStacks(); }

std::vector<const void*> HeapCheck::Stack(uint32_t id) {
    if (!Library() || id == 0) return {};
    void* frames[64];
    const int count = Library()->mStack(id, frames, 64);
    return std::vector<const void*>(frames, frames + std::max(count, 0));
}

std::string HeapCheck::Describe(const void* frame) {
    // A return address points after its call: the call's own line is the byte before.
    const void* call = static_cast<const char*>(frame) - 1;
    Dl_info info{};
    char text[256];
    if (!dladdr(call, &info) || !info.dli_fname) {
        std::snprintf(text, sizeof text, "%p", frame);
        return text;
    }
    const char* slash = std::strrchr(info.dli_fname, '/');
    const std::string module = slash ? slash + 1 : info.dli_fname;
    if (info.dli_sname && info.dli_saddr) {
        int status = 0;
        const std::unique_ptr<char, void (*)(void*)> demangled(
            abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status), std::free);
        std::snprintf(text, sizeof text, "+0x%zx (", size_t(uintptr_t(frame) - uintptr_t(info.dli_saddr)));
        return std::string(status == 0 && demangled ? demangled.get() : info.dli_sname) + text + module + ")";
    }
    std::snprintf(text, sizeof text, "+0x%zx", size_t(uintptr_t(frame) - uintptr_t(info.dli_fbase)));
    return module + text;
}

} // namespace Tarn::Utilities
