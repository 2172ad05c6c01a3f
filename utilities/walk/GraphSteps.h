// Which object is being walked: the steps of a walk whose recorder keeps the graph (RecordMemory::KeepGraph).
//
// Walk and the block bookings test the recorder once (KeepsGraph, a well-predicted branch) and come here only when
// it keeps the graph, so a walk that keeps none costs what it did. Here a visit also adds an edge from the object
// being walked to the address visited; a first visit of an object makes it the object being walked while its
// WalkObject runs, and the one before is the object being walked again afterwards. Walkers are unchanged: whatever
// they reach through the steps hangs from the innermost Walk around them.
#pragma once

#include "platform/Export.h"
#include "utilities/memory/RecordMemory.h"

#include <cstddef>

namespace Tarn::Utilities {

class TARN_API GraphSteps {
public:
    // WalkObject of the walker that visits `object`.
    using Body = void (*)(void* object, RecordMemory* recorder, size_t& size);

    // The standard Walk body (mark, walk on a first visit, book) keeping the graph.
    static void Walk(void* object, const RecordMemory::Pair& pair, size_t& size, RecordMemory* recorder, Body body);
    // A block (never null) visited and booked, a leaf of the graph.
    static void Book(RecordMemory* recorder, const void* block, const RecordMemory::Pair& pair, size_t bytes);
    static void Book(RecordMemory* recorder, const void* block, const char* name, size_t bytes);
};

// An object that a walk books first and then walks what it holds, outside any walker's Walk (an effect's parameter
// values): visited and booked at construction; with a kept graph, the object being walked until destruction.
class TARN_API BookedObject {
public:
    BookedObject(RecordMemory* recorder, const void* object, const char* dynamicTypeName, const char* staticTypeName,
                 size_t size);
    BookedObject(const BookedObject&) = delete;
    BookedObject& operator=(const BookedObject&) = delete;
    ~BookedObject();

private:
    MemoryGraph* mGraph = nullptr;
    MemoryGraph::Walked mOuter{};
};

} // namespace Tarn::Utilities
