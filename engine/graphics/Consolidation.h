// Consolidation: render items merged into batches by bucket key, the bins that gather nodes for it, and the
// notifiers that tell a consolidated world what changed.
#pragma once

#include "engine/graphics/Nodes.h"

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

class LODConsolidatedWorld;

// What makes two items mergeable: the same effect, scheme and vertex format.
class BaseBucketKey : public Objects::IBaseInterface, public Objects::IDelete {
public:
    Devices::EffectInstance* EffectInst() const { return mEffect; }
    Devices::GraphicScheme* LocalGraphicScheme() const { return mScheme; }
    Devices::AVertexFormat* VertexFormat() const { return mFormat; }

    Devices::EffectInstance* mEffect = nullptr;
    Devices::GraphicScheme* mScheme = nullptr;
    Devices::AVertexFormat* mFormat = nullptr;
    Objects::ALocale* mLocale = nullptr;
};

class ConsolidationBucket : public Objects::IDelete {
public:
    FilterNode* mFilter = nullptr;
};

class ConsolidationBin : public Objects::ARefCounted {
public:
    BaseBucketKey* Key() const { return mKey; }

    ListOfNodes mNodes;
    BaseBucketKey* mKey = nullptr;
    TraversalStateList* mStates = nullptr;
    ListOfNodes mPending;
};

// The item that draws a consolidated batch in place of the items it merged.
class ConsolidationItem : public Devices::RenderItem {
public:
    ConsolidationSources mSources;
    ConsolidationBucket* mBucket = nullptr;
};

class DependencyNotifier : public Objects::ARefCounted {
public:
    Objects::ARefCounted* Source() const { return mSource; }
    Objects::ARefCounted* mSource = nullptr;
};

class ConsolidationNotifier : public DependencyNotifier {
public:
    virtual OccurrenceNode* Occurrence() const { return mOccurrence; }

    OccurrenceNode* mOccurrence = nullptr;
    LODConsolidatedWorld* mWorld = nullptr;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
