#include "utilities/memory/HeapFindings.h"

#include "utilities/memory/RecordMemory.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>

namespace Tarn::Utilities {

namespace {

uintptr_t At(const void* address) { return reinterpret_cast<uintptr_t>(address); }
uintptr_t End(const HeapBlock& block) { return At(block.mAddress) + block.mBytes; }

// Whether a booking is of an array made by new[] from its first element, past the cookie (the count's word, or the
// alignment) to the block's end.
bool PastCookie(const HeapBlock& block, uintptr_t address, uint64_t bytes) {
    const uintptr_t offset = address - At(block.mAddress);
    if (address + bytes < End(block)) return false;
    if (block.mKind == HeapKind::NewArray) return offset == sizeof(size_t);
    if (block.mKind == HeapKind::NewArrayAligned)
        return offset >= sizeof(size_t) && offset <= 4096 && (offset & (offset - 1)) == 0;
    return false;
}

// The bytes of one booking on the heap: from its address (its block's start, past a cookie) to its end or its
// block's, whichever comes first.
struct Cover {
    uintptr_t mStart;
    uintptr_t mEnd;
    size_t mBooking;
};

std::string Hex(const void* address) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}

std::string Bytes(uint64_t bytes) { return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"); }

} // namespace

bool HeapFindings::GraphicsApi(const char* name) {
    static const char* const kPrefixes[] = {"IDirect3D", "ID3D10", "ID3DX", "IDXGI", "Dx10 ", "OGL "};
    for (const char* prefix : kPrefixes)
        if (std::strncmp(name, prefix, std::strlen(prefix)) == 0) return true;
    return std::strcmp(name, "Tarn::Devices::IGLTexture") == 0 || std::strcmp(name, "Tarn::Devices::GLFrameBuffer") == 0;
}

HeapFindings HeapFindings::Of(const RecordMemory& recorder, const HeapBlocks& blocks) {
    const MemoryGraph* graph = recorder.Graph();
    if (!graph) throw std::logic_error("HeapFindings::Of: the recorder kept no graph (RecordMemory::KeepGraph)");
    HeapFindings findings;
    findings.mLiveBlocks = blocks.Size();
    findings.mLiveBytes = blocks.Bytes();
    const auto indexOf = [&](const HeapBlock* block) { return size_t(block - blocks.begin()); };

    // ---- Each booking on the heap
    const std::vector<MemoryGraph::Booking> bookings = graph->FirstBookings();
    std::vector<Cover> covers;
    std::vector<const HeapBlock*> blockOf(bookings.size(), nullptr);
    std::vector<bool> atStart(bookings.size(), false);
    for (size_t b = 0; b < bookings.size(); ++b) {
        const MemoryGraph::Booking& booking = bookings[b];
        const HeapBlock* block = blocks.Find(booking.mAddress);
        if (!block) continue;
        blockOf[b] = block;
        const uintptr_t start = At(booking.mAddress);
        const bool pastCookie = PastCookie(*block, start, booking.mBytes);
        atStart[b] = start == At(block->mAddress) || pastCookie;
        const uintptr_t from = pastCookie ? At(block->mAddress) : start;
        const uint64_t end = start + booking.mBytes;
        if (end > End(*block) && !GraphicsApi(booking.mDynamicType)) {
            findings.mOverBooked.push_back({booking, *block, end - End(*block)});
            findings.mOverBookedBytes += end - End(*block);
        }
        const uintptr_t to = std::min<uint64_t>(end, End(*block));
        if (to > from) covers.push_back({from, to, b});
    }
    std::sort(findings.mOverBooked.begin(), findings.mOverBooked.end(),
              [](const OverBooked& a, const OverBooked& b) { return a.mBeyond > b.mBeyond; });
    std::sort(covers.begin(), covers.end(), [](const Cover& a, const Cover& b) {
        return a.mStart != b.mStart ? a.mStart < b.mStart : a.mEnd > b.mEnd;
    });

    // ---- Bytes covered twice: each pair met as the cover that reaches farthest so far and the one that begins
    // inside it; the total counts every byte once however many cover it.
    std::vector<uint64_t> covered(blocks.Size(), 0);
    {
        size_t farthest = 0;
        uintptr_t unionStart = 0, unionEnd = 0;
        const auto closeUnion = [&] {
            if (unionEnd > unionStart) covered[indexOf(blocks.Find(reinterpret_cast<const void*>(unionStart)))] += unionEnd - unionStart;
        };
        for (size_t c = 0; c < covers.size(); ++c) {
            const Cover& cover = covers[c];
            if (c > 0 && cover.mStart < covers[farthest].mEnd) {
                const uintptr_t overlapEnd = std::min(cover.mEnd, covers[farthest].mEnd);
                findings.mDoubleBooked.push_back(
                    {bookings[covers[farthest].mBooking], bookings[cover.mBooking], overlapEnd - cover.mStart});
                if (cover.mEnd > covers[farthest].mEnd) farthest = c;
            } else if (c == 0 || cover.mEnd > covers[farthest].mEnd) {
                farthest = c;
            }
            if (cover.mStart < unionEnd) {
                unionEnd = std::max(unionEnd, cover.mEnd);
            } else {
                closeUnion();
                unionStart = cover.mStart;
                unionEnd = cover.mEnd;
            }
        }
        closeUnion();
        // Exactly: a sweep of the covers' ends, counting the bytes where two or more are open.
        std::vector<std::pair<uintptr_t, int>> events;
        events.reserve(2 * covers.size());
        for (const Cover& cover : covers) {
            events.push_back({cover.mStart, +1});
            events.push_back({cover.mEnd, -1});
        }
        std::sort(events.begin(), events.end());
        int open = 0;
        for (size_t e = 0; e < events.size(); ++e) {
            if (open >= 2 && e > 0) findings.mDoubleBookedBytes += events[e].first - events[e - 1].first;
            open += events[e].second;
        }
    }

    // ---- Bookings that are no block's start: inside another booking is allowed (a member booked on its own)
    {
        std::vector<Cover> elsewhere;  // bookings off the heap, as far as they reach
        for (size_t b = 0; b < bookings.size(); ++b)
            if (!blockOf[b] && !GraphicsApi(bookings[b].mDynamicType))
                elsewhere.push_back({At(bookings[b].mAddress), At(bookings[b].mAddress) + bookings[b].mBytes, b});
        const auto inside = [](const std::vector<Cover>& sorted, uintptr_t address, size_t self) {
            for (const Cover& cover : sorted) {
                if (cover.mStart > address) break;
                if (cover.mBooking != self && address < cover.mEnd) return true;
            }
            return false;
        };
        std::sort(elsewhere.begin(), elsewhere.end(), [](const Cover& a, const Cover& b) { return a.mStart < b.mStart; });
        for (size_t b = 0; b < bookings.size(); ++b) {
            if (atStart[b]) continue;
            const uintptr_t address = At(bookings[b].mAddress);
            if (blockOf[b]) {
                // Among the covers of its own block only.
                const auto first = std::lower_bound(covers.begin(), covers.end(), At(blockOf[b]->mAddress),
                                                    [](const Cover& c, uintptr_t a) { return c.mStart < a; });
                bool within = false;
                for (auto c = first; c != covers.end() && c->mStart <= address && !within; ++c)
                    within = c->mBooking != b && address < c->mEnd;
                if (!within) findings.mNotABlock.push_back({bookings[b], *blockOf[b]});
            } else if (!GraphicsApi(bookings[b].mDynamicType) && !inside(elsewhere, address, b)) {
                findings.mNotABlock.push_back({bookings[b], HeapBlock{nullptr, 0, 0, HeapKind::Malloc}});
            }
        }
    }

    // ---- What the roots reach: a scan of every reached block's aligned words, breadth first
    // Each reached block remembers the word that reached it; a block's name is that of the booking at its start.
    std::vector<bool> reached(blocks.Size(), false);
    std::vector<size_t> queue;
    std::vector<uintptr_t> reachedFrom(blocks.Size(), 0);
    std::vector<const char*> nameOf(blocks.Size(), nullptr);
    for (size_t b = 0; b < bookings.size(); ++b)
        if (atStart[b] && !nameOf[indexOf(blockOf[b])]) nameOf[indexOf(blockOf[b])] = bookings[b].mDynamicType;
    uintptr_t from = 0;
    const auto reach = [&](const void* address) {
        if (const HeapBlock* block = blocks.Find(address)) {
            const size_t index = indexOf(block);
            if (!reached[index]) {
                reached[index] = true;
                reachedFrom[index] = from;
                queue.push_back(index);
            }
        }
    };
    for (size_t e = 0; e < graph->EdgeCount(); ++e)
        if (graph->EdgeAt(e).mFrom == MemoryGraph::kRoot) reach(graph->Address(graph->EdgeAt(e).mTo));
    const uintptr_t lowest = blocks.Size() ? At(blocks[0].mAddress) : 0;
    const uintptr_t highest = blocks.Size() ? End(blocks[blocks.Size() - 1]) : 0;
    const auto scan = [&](size_t next) {
        for (; next < queue.size(); ++next) {
            const HeapBlock& block = blocks[queue[next]];
            const uintptr_t first = (At(block.mAddress) + 7) & ~uintptr_t(7);
            for (uintptr_t word = first; word + sizeof(uintptr_t) <= End(block); word += sizeof(uintptr_t)) {
                uintptr_t value;
                std::memcpy(&value, reinterpret_cast<const void*>(word), sizeof value);
                from = word;
                if (value >= lowest && value < highest) reach(reinterpret_cast<const void*>(value));
            }
        }
    };
    scan(0);
    // A booked block is reachable, since the walk reached it: one the scan missed is scanned too.
    from = 0;
    const size_t missed = queue.size();
    for (size_t b = 0; b < bookings.size(); ++b)
        if (blockOf[b] && !reached[indexOf(blockOf[b])]) {
            findings.mBookedUnreached.push_back(bookings[b]);
            reach(blockOf[b]->mAddress);
        }
    scan(missed);

    // ---- The reached bytes, booked and not
    // By stack and by the type that holds them, so that blocks allocated while no stacks were recorded still fall
    // apart by what holds them.
    std::map<std::pair<uint32_t, std::string>, ByStack> byStack;
    for (size_t i = 0; i < blocks.Size(); ++i) {
        if (!reached[i]) continue;
        const HeapBlock& block = blocks[i];
        ++findings.mReachedBlocks;
        findings.mReachedBytes += block.mBytes;
        findings.mBookedBytes += covered[i];
        const uint64_t unbooked = block.mBytes - covered[i];
        if (!unbooked) continue;
        Unclassified entry{block, unbooked, nullptr, 0};
        if (const HeapBlock* holder = reachedFrom[i] ? blocks.Find(reinterpret_cast<const void*>(reachedFrom[i])) : nullptr) {
            entry.mHolder = nameOf[indexOf(holder)] ? nameOf[indexOf(holder)] : "an unbooked block";
            entry.mHolderOffset = reachedFrom[i] - At(holder->mAddress);
        }
        findings.mUnclassified.push_back(entry);
        findings.mUnclassifiedBytes += unbooked;
        const std::pair<uint32_t, std::string> key{block.mStack, entry.mHolder ? entry.mHolder : ""};
        ByStack& group = byStack.try_emplace(key, ByStack{block.mStack, 0, 0, entry}).first->second;
        group.mUnbooked += unbooked;
        ++group.mBlocks;
        if (unbooked > group.mLargest.mUnbooked) group.mLargest = entry;
    }
    std::sort(findings.mUnclassified.begin(), findings.mUnclassified.end(), [](const Unclassified& a, const Unclassified& b) {
        return a.mUnbooked != b.mUnbooked ? a.mUnbooked > b.mUnbooked : a.mBlock.mAddress < b.mBlock.mAddress;
    });
    for (const auto& [key, group] : byStack) findings.mUnclassifiedByStack.push_back(group);
    std::stable_sort(findings.mUnclassifiedByStack.begin(), findings.mUnclassifiedByStack.end(),
              [](const ByStack& a, const ByStack& b) { return a.mUnbooked > b.mUnbooked; });
    return findings;
}

std::string HeapFindings::Print(size_t most) const {
    std::string text;
    char line[256];
    std::snprintf(line, sizeof line, "%.2f%%", 100.0 * BookedShare());
    text += "Heap check\n";
    text += "Live heap: " + Bytes(mLiveBytes) + " in " + std::to_string(mLiveBlocks) + " blocks\n";
    text += "Reached from the roots: " + Bytes(mReachedBytes) + " in " + std::to_string(mReachedBlocks) + " blocks\n";
    text += "Booked: " + Bytes(mBookedBytes) + " (" + line + ")\n";
    text += "Heap-unclassified: " + Bytes(mUnclassifiedBytes) + " in " + std::to_string(mUnclassified.size()) + " blocks\n";
    text += "Over-booked: " + Bytes(mOverBookedBytes) + " in " + std::to_string(mOverBooked.size()) + " bookings\n";
    text += "Double-booked: " + Bytes(mDoubleBookedBytes) + " in " + std::to_string(mDoubleBooked.size()) + " overlaps\n";
    text += "Not a block: " + std::to_string(mNotABlock.size()) + " bookings\n";
    if (!mBookedUnreached.empty())
        text += "Booked but not reached by the scan: " + std::to_string(mBookedUnreached.size()) + " bookings\n";
    // A list under its heading, at most `most` entries and the number of the others.
    const auto list = [&](const auto& entries, const char* heading, const char* others, auto&& write) {
        if (entries.empty()) return;
        text += std::string("\n") + heading + "\n";
        for (size_t i = 0; i < entries.size() && i < most; ++i) write(entries[i]);
        if (entries.size() > most) text += "(" + std::to_string(entries.size() - most) + " more " + others + ")\n";
    };
    const auto booking = [](const MemoryGraph::Booking& booked) {
        return std::string(booked.mDynamicType) + " at " + Hex(booked.mAddress);
    };

    list(mUnclassifiedByStack, "Heap-unclassified by allocating stack, largest first", "stacks", [&](const ByStack& group) {
        const Unclassified& largest = group.mLargest;
        text += Bytes(group.mUnbooked) + " in " + std::to_string(group.mBlocks) + " blocks, the largest " +
                Hex(largest.mBlock.mAddress) + " of " + Bytes(largest.mBlock.mBytes) + " (" +
                std::to_string(largest.mUnbooked) + " unbooked), held by " +
                (largest.mHolder ? largest.mHolder + (" +" + std::to_string(largest.mHolderOffset)) : "a root") + "\n";
        if (!group.mStack) text += "    (no stack recorded)\n";
        for (const void* frame : HeapCheck::Stack(group.mStack)) text += "    " + HeapCheck::Describe(frame) + "\n";
    });
    list(mOverBooked, "Over-booked, most first", "bookings", [&](const OverBooked& over) {
        text += booking(over.mBooking) + ": booked " + Bytes(over.mBooking.mBytes) + ", " + Bytes(over.mBeyond) +
                " past its block of " + Bytes(over.mBlock.mBytes) + " at " + Hex(over.mBlock.mAddress) + "\n";
    });
    list(mDoubleBooked, "Double-booked", "overlaps", [&](const DoubleBooked& twice) {
        text += Bytes(twice.mBytes) + " of " + booking(twice.mOuter) + " booked again as " + booking(twice.mInner) + "\n";
    });
    list(mNotABlock, "Not a block", "bookings", [&](const NotABlock& stray) {
        text += booking(stray.mBooking) + ", " + Bytes(stray.mBooking.mBytes) + ": ";
        if (stray.mBlock.mAddress)
            text += std::to_string(At(stray.mBooking.mAddress) - At(stray.mBlock.mAddress)) + " bytes into the block at " +
                    Hex(stray.mBlock.mAddress) + " of " + Bytes(stray.mBlock.mBytes) + "\n";
        else
            text += "in no live block\n";
    });
    list(mBookedUnreached, "Booked but not reached by the scan", "bookings", [&](const MemoryGraph::Booking& booked) {
        text += booking(booked) + ", " + Bytes(booked.mBytes) + "\n";
    });
    return text;
}

} // namespace Tarn::Utilities
