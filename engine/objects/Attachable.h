// Attachments, attachable objects and the spatial world's nodes and iterators.
#pragma once

#include "engine/Math.h"
#include "engine/objects/Interfaces.h"
#include "engine/objects/Strings.h"

#pragma GCC visibility push(default)

namespace Tarn::Objects {

// One link of an owner's chain of attached data. Not polymorphic: walked by its static type.
class Attachment {
public:
    enum Kind { kRefCounted = 1, kDelete = 2 };

    explicit Attachment(ARefCounted* data) : mKind(kRefCounted), mRefCounted(data) {}
    explicit Attachment(IDelete* data) : mKind(kDelete), mDelete(data) {}
    explicit Attachment(int kind) : mKind(kind), mRefCounted(nullptr) {}

    ARefCounted* RefCountedData() const { return mKind == kRefCounted ? mRefCounted : nullptr; }
    IDelete* IDeleteData() const { return mKind == kDelete ? mDelete : nullptr; }

    Attachment* mNext = nullptr;
    int mKind;

private:
    union {
        ARefCounted* mRefCounted;
        IDelete* mDelete;
    };
};

// Owner of a singly linked chain of attachments; the chain is not owned.
class AAttachable {
public:
    virtual ~AAttachable() = default;
    virtual Attachment* AttachmentHead() const { return mAttachments; }

    // Appends `attachment` at the end of the chain.
    void Attach(Attachment* attachment) {
        Attachment** link = &mAttachments;
        while (*link) link = &(*link)->mNext;
        *link = attachment;
    }

private:
    Attachment* mAttachments = nullptr;
};

// An axis-aligned box: minimum corner x, y, z, then maximum corner x, y, z.
struct Box3 {
    double mMin[3] = {0, 0, 0};
    double mMax[3] = {0, 0, 0};
};

class ISpatialNode;

// Iterates the spatial nodes below one node. Whoever receives an iterator from ChildIterator owns it and
// disposes of it with Release.
class IWorldIterator {
public:
    virtual ~IWorldIterator() = default;
    virtual void Reset(const vec3<float>& origin) = 0;
    virtual ISpatialNode* Next() = 0;
    virtual void Release() { delete this; }
};

// A node of the spatial world: a cell of the spatial index or a render node, seen through one interface.
class ISpatialNode : public AAttachable {
public:
    // The interface named by `id` (a spatial cell's or a render node's), or null.
    virtual void* QueryInterface(const UString* id) { (void)id; return nullptr; }
    virtual bool IsCell() const { return false; }
    virtual bool IsOriginal() const { return true; }
    virtual Box3 WorldBox() const { return {}; }
    // A new iterator over the node's children, handed to the caller; null when it has none.
    virtual IWorldIterator* ChildIterator() { return nullptr; }
};

class IWorld : public ARefCounted {};

class ARandomGenerator {
public:
    virtual ~ARandomGenerator() = default;
};

// Its attachable part is a secondary base, at a non-zero offset.
class ISampleGenerator : public IPlugInObject, public AAttachable {};

class ASampleGenerator : public ISampleGenerator {
public:
    virtual ARandomGenerator* RandomGenerator() const { return mRandom; }
    ARandomGenerator* mRandom = nullptr;
};

} // namespace Tarn::Objects

#pragma GCC visibility pop
