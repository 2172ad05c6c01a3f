#include "utilities/walk/GraphSteps.h"

namespace Tarn::Utilities {

namespace {

// Makes `node` the object being walked for the scope's life, also when the walk throws.
class BeingWalked {
public:
    BeingWalked(MemoryGraph& graph, MemoryGraph::Walked walked) : mGraph(graph), mOuter(graph.Current()) {
        graph.Current(walked);
    }
    BeingWalked(const BeingWalked&) = delete;
    BeingWalked& operator=(const BeingWalked&) = delete;
    ~BeingWalked() { mGraph.Current(mOuter); }

private:
    MemoryGraph& mGraph;
    MemoryGraph::Walked mOuter;
};

} // namespace

void GraphSteps::Walk(void* object, const RecordMemory::Pair& pair, size_t& size, RecordMemory* recorder, Body body) {
    bool firstVisit = false;
    const uint32_t node = recorder->VisitNode(object, firstVisit);
    if (firstVisit) {
        const BeingWalked walking(*recorder->Graph(), {node, nullptr});
        body(object, recorder, size);
    }
    recorder->BookNode(node, pair, size, firstVisit);
}

void GraphSteps::Book(RecordMemory* recorder, const void* block, const RecordMemory::Pair& pair, size_t bytes) {
    bool firstVisit = false;
    const uint32_t node = recorder->VisitNode(block, firstVisit);
    recorder->BookNode(node, pair, bytes, firstVisit);
}

void GraphSteps::Book(RecordMemory* recorder, const void* block, const char* name, size_t bytes) {
    bool firstVisit = false;
    const uint32_t node = recorder->VisitNode(block, firstVisit);
    recorder->BookNode(node, name, name, bytes, firstVisit);
}

BookedObject::BookedObject(RecordMemory* recorder, const void* object, const char* dynamicTypeName,
                           const char* staticTypeName, size_t size) {
    if (!recorder->KeepsGraph()) {
        recorder->RecordObject(dynamicTypeName, staticTypeName, size, recorder->MarkVisited(object));
        return;
    }
    bool firstVisit = false;
    const uint32_t node = recorder->VisitNode(object, firstVisit);
    recorder->BookNode(node, dynamicTypeName, staticTypeName, size, firstVisit);
    mGraph = recorder->Graph();
    mOuter = mGraph->Current();
    mGraph->Current({node, node == MemoryGraph::kNone ? object : nullptr});  // a repeat: known by its address
}

BookedObject::~BookedObject() {
    if (mGraph) mGraph->Current(mOuter);
}

} // namespace Tarn::Utilities
