// SceneNode: one node of the scene browser's tree. Attribute: one label/value row shown for a node.
//
// A node stands for one engine entity, a spatial cell or a render node, or at the root for whatever the host
// chooses. Nodes are made lazily: ExpandChild turns what a world iterator yields into child nodes, each with its
// name and rows filled once, when it is made. In logical-scene mode cells are skipped and the render nodes found
// below them become children of the node being expanded; in spatial mode cells are nodes of their own.
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

namespace Tarn::Utilities {

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

    AttributeList& Attributes() { return mAttributes; }
    // Appends and takes ownership; an attribute that the list cannot hold is deleted at once.
    void AddAttribute(Attribute* attribute);

    Objects::UString* Name() const { return mName; }
    void Name(Objects::UString* name) { mName = name; }
    SceneNodeType NodeType() const { return mNodeType; }
    void NodeType(SceneNodeType type) { mNodeType = type; }
    Objects::ISpatialNode* TarnEntity() const { return mEntity; }
    void TarnEntity(Objects::ISpatialNode* entity) { mEntity = entity; }
    SceneNode* Parent() const { return mParent; }
    Objects::IWorldIterator* WorldIterator() const { return mWorldIterator; }
    // Takes ownership; the iterator held before is released unless it is the same one.
    void WorldIterator(Objects::IWorldIterator* iterator);

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
    // A child of this node for `entity`, appended with its rows, or null when the list cannot hold it.
    SceneNode* AppendChild(Objects::ISpatialNode* entity, SceneNodeType type, const Objects::UString* suffix,
                           Objects::IWorldIterator* iterator);
    void AddRow(const wchar_t* label, const wchar_t* value) { AddAttribute(new Attribute(label, value)); }

    NodeList mChildren;
    SceneNodeType mNodeType = SceneNodeType::RenderNode;
    AttributeList mAttributes;
    Objects::ISpatialNode* mEntity = nullptr;
    SceneNode* mParent;
    Objects::UString* mName = nullptr;
    Objects::IWorldIterator* mWorldIterator = nullptr;
};

} // namespace Tarn::Utilities
