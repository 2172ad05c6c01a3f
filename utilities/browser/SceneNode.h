// SceneNode: one node of the scene browser's tree. Attribute: one label/value row shown for a node.
//
// A node stands for one engine entity, a spatial cell or a render node, or at the root for whatever the host
// chooses. Nodes are made lazily: ExpandChild turns what a world iterator yields into child nodes. In
// logical-scene mode cells are skipped and the render nodes found below them become children of the node being
// expanded; in spatial mode cells are nodes of their own.
//
// A node made by ExpandChild takes its entity's type text at once, but interns its name at the first call of
// Name() and fills its rows at the first call of Attributes(): opening a node of 10^5 children then costs no
// interned strings and no rows for the children nobody looks at. The tree shows NameText(), the same text.
//
//   SceneNode* root = new SceneNode(nullptr);
//   root->Name(Intern(L"World"));
//   root->WorldIterator(world.TopLevelIterator());          // the root now owns the iterator
//   root->ExpandChild(root->WorldIterator(), logicalScene);  // once per node: every call appends
//
// Ownership: a node owns its attributes, its iterator and its children, and deletes them with itself. Names are
// interned engine strings, never freed. Entities are borrowed and must outlive the tree.
#pragma once

#include "engine/devices/Draw.h"
#include "engine/objects/Attachable.h"
#include "engine/objects/Containers.h"
#include "engine/objects/Strings.h"
#include "platform/Export.h"

#include <string>

namespace Tarn::Utilities {

// The name shown for an entity: "<0x", the low 32 bits of its address as eight lower-case hexadecimal digits,
// ">" and the type text, cut at 511 characters (what "<0x%08x>%s" gives in the node's 512-character buffer).
class TARN_API NodeName {
public:
    static constexpr int kCapacity = 512;

    NodeName(const void* entity, const Objects::UString* type);
    const wchar_t* Text() const { return mText; }
    int Length() const { return mLength; }

private:
    wchar_t mText[kCapacity];
    int mLength = 0;
};

enum class SceneNodeType : int {
    RenderNode = 0,
    SpatialCell = 1,
};

class TARN_API Attribute {
public:
    // Copies both texts; null reads as the empty text.
    Attribute(const wchar_t* name, const wchar_t* value) : mName(name), mValue(value) {}

    Objects::KString mName;   // first column
    Objects::KString mValue;  // second column
    Objects::_ArrayList<Attribute*, Objects::NoLifetime<Attribute*>> mChildren;  // nested rows; none are made
};

class TARN_API SceneNode {
public:
    using NodeList = Objects::_ArrayList<SceneNode*, Objects::NoLifetime<SceneNode*>>;
    using AttributeList = Objects::_ArrayList<Attribute*, Objects::NoLifetime<Attribute*>>;

    explicit SceneNode(SceneNode* parent);
    // A copy would share the attributes, children and iterator that each node deletes.
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;
    ~SceneNode();

    // Appends and takes ownership; a child that the list cannot hold is deleted at once.
    void AddChild(SceneNode* child);
    // Removes the first occurrence, if any, and hands ownership back to the caller.
    void RemoveChild(SceneNode* child);
    // Deletes every child with its subtree and empties the list.
    void DeleteChildren();
    int ChildCount() const { return mChildren.Count(); }
    NodeList& Children() { return mChildren; }

    // The rows, filled at the first call for a node that ExpandChild made.
    AttributeList& Attributes();
    // Appends and takes ownership; an attribute that the list cannot hold is deleted at once.
    void AddAttribute(Attribute* attribute);

    // The interned name, interned at the first call for a node that ExpandChild made.
    Objects::UString* Name() const;
    void Name(Objects::UString* name) {
        mName = name;
        mNamePending = false;
    }
    // The name's text without interning it; empty when the node has no name.
    std::wstring NameText() const;
    SceneNodeType NodeType() const { return mNodeType; }
    void NodeType(SceneNodeType type) { mNodeType = type; }
    Objects::ISpatialNode* TarnEntity() const { return mEntity; }
    void TarnEntity(Objects::ISpatialNode* entity) { mEntity = entity; }
    SceneNode* Parent() const { return mParent; }
    Objects::IWorldIterator* WorldIterator() const { return mWorldIterator; }
    // Takes ownership; the iterator held before is released unless it is the same one.
    void WorldIterator(Objects::IWorldIterator* iterator);

    // False when the node's own iterator is null or yields nothing, so that expanding it adds no child; true
    // does not promise a child (in the logical scene a cell may hold no render node). Restarts the iterator.
    bool MayHaveChildren() const;
    // Restarts `iterator` and appends a child for every cell and render node it yields (see the file banner).
    // The iterator stays the caller's; children already present stay.
    void ExpandChild(Objects::IWorldIterator* iterator, bool logicalScene);

    // Draws the entity's world box in red through the engine's draw manager; nothing without entity or manager.
    void DrawBoundingBox(Devices::ADrawContext& context);

protected:
    void FillCommonAttributes();
    void FillSpatialCellAttributes();
    void FillRenderNodeAttributes();

private:
    // A child of this node for `entity`, its name and rows still to come, or null when the list cannot hold it.
    SceneNode* AppendChild(Objects::ISpatialNode* entity, SceneNodeType type, const Objects::UString* suffix,
                           Objects::IWorldIterator* iterator);
    void AddRow(Attribute* attribute);
    void AddRow(const wchar_t* label, const wchar_t* value);
    void FillPendingRows();

    NodeList mChildren;
    SceneNodeType mNodeType = SceneNodeType::RenderNode;
    AttributeList mAttributes;
    Objects::ISpatialNode* mEntity = nullptr;
    SceneNode* mParent;
    mutable Objects::UString* mName = nullptr;
    Objects::IWorldIterator* mWorldIterator = nullptr;
    const Objects::UString* mType = nullptr;  // the text after the address in the name
    mutable bool mNamePending = false;        // the name is not interned yet
    bool mRowsPending = false;                // the rows are not filled yet
};

} // namespace Tarn::Utilities
