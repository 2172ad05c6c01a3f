// The graphics layer's named lists and the values they hold.
#pragma once

#include "engine/devices/Devices.h"
#include "engine/objects/Objects.h"

#pragma GCC visibility push(default)

// Inside the default visibility, so that a library built with hidden visibility still exports what it
// instantiates on the queue.
#include <tbb/cache_aligned_allocator.h>
#include <tbb/concurrent_queue.h>

namespace Tarn::Graphics {

class ARenderNode;
class ConsolidationBin;
class ConsolidationBucket;
class BaseBucketKey;
class DependencyNotifier;
class GeometryNode;
class IChangePacket;
class OccurrenceNode;

class ListOfNodes : public Objects::_ArrayList<ARenderNode*, Objects::RefCountedLifetime<ARenderNode*>> {};
class UnorderedListOfNodes : public Objects::_UnorderedList<ARenderNode*, Objects::RefCountedLifetime<ARenderNode*>> {};
class ListOfItems : public Objects::_ArrayList<GeometryNode*, Objects::RefCountedLifetime<GeometryNode*>> {};
class ConsolidationBins
    : public Objects::_UnorderedList<ConsolidationBin*, Objects::RefCountedLifetime<ConsolidationBin*>> {};
class ListOfConsolidationBins
    : public Objects::_ArrayList<ConsolidationBin*, Objects::NoLifetime<ConsolidationBin*>> {};
class ListOfNotifiers
    : public Objects::_UnorderedList<DependencyNotifier*, Objects::RefCountedLifetime<DependencyNotifier*>> {};

// What a consolidated batch was made from: one render item of one node, reached along one occurrence.
class ConsolidationSource {
public:
    OccurrenceNode* Occurrence() const { return mOccurrence; }

    OccurrenceNode* mOccurrence = nullptr;
    ARenderNode* mNode = nullptr;
    Devices::IRenderItem* mItem = nullptr;
};

class ConsolidationSources
    : public Objects::_UnorderedList<ConsolidationSource, Objects::NoLifetime<ConsolidationSource>> {};

// The batches of the consolidated world, by their key.
using BucketMap = Objects::_HashMap<ConsolidationBucket*, BaseBucketKey*, Objects::_Hasher<BaseBucketKey*>>;

class ConsolidationBuckets : public BucketMap {
public:
    explicit ConsolidationBuckets(int buckets = 16) : BucketMap(buckets) {}
};

class ConsolidationLodBuckets : public ConsolidationBuckets {
public:
    using ConsolidationBuckets::ConsolidationBuckets;
};

// Changes to the render graph, handed from the threads that make them to the one that applies them.
using ChangePacketQueue =
    tbb::concurrent_queue<Objects::AutoPtr<IChangePacket>, tbb::cache_aligned_allocator<Objects::AutoPtr<IChangePacket>>>;

class ListOfChangePacket : public ChangePacketQueue {
public:
    virtual ~ListOfChangePacket() = default;
};

class NotifierList : public Objects::IBaseInterface, public Objects::IDelete {
public:
    ListOfNotifiers mNotifiers;
};

class RenderNodeList {
public:
    ListOfNodes& RenderNodes() { return mNodes; }
    ListOfNodes mNodes;
};

// Per-traversal state flags; holds no list despite its name.
class TraversalStateList : public Objects::ARefCounted, public Objects::AFlags, public Objects::IClone {
public:
    uint32_t mStates = 0;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
