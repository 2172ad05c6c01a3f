// What a measured object retains, for a host that shows it (the browser's memory window, say).
//
//   RecordMemory recorder;
//   recorder.KeepGraph();
//   WalkPointer(node, &recorder);                                  // one walk, from the object asked about
//   const Retention retention = Retained(recorder, 10);
//   retention.mRetained                                            // the bytes freed with the object
//   for (const RetainedObject& held : retention.mLargest) ...      // what it holds, largest first
//   for (const RetainedObject& owner : TopOwners(recorder, 10)) ...
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tarn::Utilities {

class RecordMemory;

struct RetainedObject {
    std::string mType;  // the dynamic type, as the report names it
    uint64_t mAddress;
    uint64_t mBytes;     // its own
    uint64_t mRetained;  // its own and what it dominates
};

struct Retention {
    uint64_t mRetained = 0;  // by the object the walk started from (everything it reached when one walk was made)
    // The objects that it dominates directly (nothing else holds them), by falling retained bytes: their retained
    // bytes do not overlap, and with its own bytes they add up to mRetained.
    std::vector<RetainedObject> mLargest;
};

// From the graph that `recorder` kept (std::logic_error when it kept none): what the first object its walks
// reached retains, with its `top` largest directly retained objects.
TARN_API Retention Retained(const RecordMemory& recorder, size_t top);
// The `top` objects that retain the most, by falling retained bytes, the first object walked included.
TARN_API std::vector<RetainedObject> TopOwners(const RecordMemory& recorder, size_t top);

} // namespace Tarn::Utilities
