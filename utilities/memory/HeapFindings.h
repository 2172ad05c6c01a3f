// HeapFindings: a walk's bookings held against the live heap blocks, to prove the walkers right or show where not.
//
//   Tarn::Utilities::RecordMemory recorder;
//   recorder.KeepGraph();                                       // the bookings' addresses and sizes
//   Tarn::Utilities::WalkPointer(root, &recorder);
//   const auto findings = Tarn::Utilities::HeapFindings::Of(recorder, Tarn::Utilities::HeapCheck::Blocks());
//   std::fputs(findings.Print().c_str(), stdout);
//
// The roots are the objects the walks started from. What they reach on the heap is found as a conservative collector
// finds it, whatever the walkers say: from the blocks holding the roots, every aligned word of a reached block that
// points at or into a live block reaches that block; a booked block that the scan misses (its pointer held outside the
// heap) is reached too, since the walk reached it, and scanned. Of the bytes so reached, each booking covers those from its
// address to its end within the block it lies in (a booking at the first element of a new[] array covers the array's
// cookie too). The findings:
//   - heap-unclassified: reached bytes no booking covers: a class without a walker, a member a walker forgot;
//   - over-booked: bookings larger than their block, by what lies beyond its requested size; the graphics APIs'
//     objects and buffers, booked at the sizes their APIs report, are no heap and are not held to their blocks;
//   - double-booked: bytes two bookings cover (an embedded part booked again as a block, walkers overlapping);
//   - not a block: bookings that begin neither at a live block nor inside another booking.
// The heap must not change while the findings are made, as the objects must not during a walk. Nothing here
// changes the recorder or its report.
#pragma once

#include "platform/Export.h"
#include "utilities/heapcheck/HeapCheck.h"
#include "utilities/memory/MemoryGraph.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tarn::Utilities {

class RecordMemory;

class TARN_API HeapFindings {
public:
    // A reached block with bytes that no booking covers, and where the scan found the pointer to it: in the block
    // of the booking named (null for a root), so many bytes into that block.
    struct Unclassified {
        HeapBlock mBlock;
        uint64_t mUnbooked;
        const char* mHolder;
        uint64_t mHolderOffset;
    };
    // The unclassified blocks that one stack allocated (stack 0: those allocated while no stacks were recorded) and
    // one type holds.
    struct ByStack {
        uint32_t mStack;
        uint64_t mUnbooked;
        uint64_t mBlocks;
        Unclassified mLargest;
    };
    struct OverBooked {
        MemoryGraph::Booking mBooking;
        HeapBlock mBlock;
        uint64_t mBeyond;  // the booking's bytes past the block's end
    };
    struct DoubleBooked {
        MemoryGraph::Booking mOuter;  // the booking that begins first
        MemoryGraph::Booking mInner;
        uint64_t mBytes;
    };
    struct NotABlock {
        MemoryGraph::Booking mBooking;
        HeapBlock mBlock;  // the live block it lies inside, past its start; a null address when none
    };

    // Needs a recorder that kept its graph (std::logic_error otherwise).
    static HeapFindings Of(const RecordMemory& recorder, const HeapBlocks& blocks);

    // Objects of the graphics APIs and their buffers, booked at the sizes the APIs give: Direct3D's and DXGI's
    // interfaces, the GL stand-ins, the "Dx10 ..." and "OGL ..." buffers.
    static bool GraphicsApi(const char* typeName);

    uint64_t mLiveBlocks = 0, mLiveBytes = 0;
    uint64_t mReachedBlocks = 0, mReachedBytes = 0;
    uint64_t mBookedBytes = 0;  // of the reached bytes
    uint64_t mUnclassifiedBytes = 0;
    // Bookings of heap blocks that the scan did not reach from the roots: the walk found a pointer where the scan saw
    // none (one held outside the heap, in a static table or another allocator's memory, or hidden in other bits).
    std::vector<MemoryGraph::Booking> mBookedUnreached;
    std::vector<Unclassified> mUnclassified;  // largest unbooked first
    std::vector<ByStack> mUnclassifiedByStack;  // largest first
    uint64_t mOverBookedBytes = 0;
    std::vector<OverBooked> mOverBooked;  // most beyond first
    uint64_t mDoubleBookedBytes = 0;  // bytes covered twice or more, each once
    std::vector<DoubleBooked> mDoubleBooked;  // in the order of their addresses
    std::vector<NotABlock> mNotABlock;  // in the walk's order

    // The reached bytes booked, as a fraction; 1 when nothing was reached.
    double BookedShare() const { return mReachedBytes ? double(mBookedBytes) / double(mReachedBytes) : 1.0; }

    // The check's own section, the totals first and then at most `most` entries of every list, each unclassified
    // stack with its frames when the check recorded them.
    std::string Print(size_t most = 10) const;
};

} // namespace Tarn::Utilities
