// What operator new hands out: a count that a host opens around building its objects and closes before measuring
// them, so that it can check a report against what the allocator really gave. Linking Allocations.cpp replaces the
// global operator new and delete of the program.
#pragma once

#include <cstddef>

namespace Host {

struct Allocated {
    size_t mBytes = 0;   // asked of operator new, less what was freed again
    size_t mBlocks = 0;
};

// Counts, on this thread, the blocks allocated from now until StopCounting that are still alive then. Counts do not
// nest.
void StartCounting();
Allocated StopCounting();

} // namespace Host
