#include "utilities/browser/SceneNode.h"

#include "engine/devices/Sys.h"
#include "engine/graphics/RenderNode.h"
#include "engine/graphics/SpatialCell.h"

#include <cstdint>

namespace Tarn::Utilities {

using Graphics::ARenderNode;
using Graphics::ISpatialCell;
using Objects::IWorldIterator;
using Objects::ISpatialNode;
using Objects::UString;

namespace {

constexpr int kTextCapacity = 512;

// One row value, formatted into a buffer of the fixed capacity.
class RowText {
public:
    template <class... Args> explicit RowText(const wchar_t* format, Args... args) {
        Tarn::OS::swprintf(mText, kTextCapacity, format, args...);
    }
    operator const wchar_t*() const { return mText; }

private:
    wchar_t mText[kTextCapacity];
};

// Addresses are shown by their low 32 bits.
unsigned LowBits(const void* address) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)); }

const wchar_t* BoolText(bool value) { return value ? L"true" : L"false"; }

const wchar_t* TextOf(const UString* text) { return text ? text->Text() : L""; }

} // namespace

NodeName::NodeName(const void* entity, const UString* type) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    const unsigned low = LowBits(entity);
    for (const wchar_t c : {L'<', L'0', L'x'}) mText[mLength++] = c;
    for (int shift = 28; shift >= 0; shift -= 4) mText[mLength++] = kDigits[(low >> shift) & 0xf];
    mText[mLength++] = L'>';
    for (const wchar_t* c = TextOf(type); *c && mLength < kCapacity - 1; ++c) mText[mLength++] = *c;
    mText[mLength] = 0;
}

SceneNode::SceneNode(SceneNode* parent) : mParent(parent) {}

SceneNode::~SceneNode() {
    for (Attribute* attribute : mAttributes) delete attribute;
    mAttributes.SetCount(0);
    DeleteChildren();
    if (mWorldIterator) mWorldIterator->Release();
}

void SceneNode::AddChild(SceneNode* child) {
    if (!mChildren.Add(child)) delete child;
}

void SceneNode::RemoveChild(SceneNode* child) {
    for (int i = 0; i < mChildren.Count(); ++i) {
        if (mChildren[i] == child) {
            mChildren.RemoveAt(i);
            return;
        }
    }
}

bool SceneNode::MayHaveChildren() const {
    if (!mWorldIterator) return false;
    mWorldIterator->Reset(vec3<float>{0.0f, 0.0f, 0.0f});
    return mWorldIterator->Next() != nullptr;
}

void SceneNode::DeleteChildren() {
    for (SceneNode* child : mChildren) delete child;
    mChildren.SetCount(0);
}

SceneNode::AttributeList& SceneNode::Attributes() {
    FillPendingRows();
    return mAttributes;
}

void SceneNode::AddAttribute(Attribute* attribute) {
    FillPendingRows();  // a row added from outside comes after the node's own
    AddRow(attribute);
}

void SceneNode::AddRow(Attribute* attribute) {
    if (!mAttributes.Add(attribute)) delete attribute;
}

void SceneNode::AddRow(const wchar_t* label, const wchar_t* value) { AddRow(new Attribute(label, value)); }

void SceneNode::FillPendingRows() {
    if (!mRowsPending) return;
    mRowsPending = false;
    if (mNodeType == SceneNodeType::SpatialCell) FillSpatialCellAttributes();
    else FillRenderNodeAttributes();
}

UString* SceneNode::Name() const {
    if (mNamePending) {
        mName = Objects::Intern(NodeName(mEntity, mType).Text());
        mNamePending = false;
    }
    return mName;
}

std::wstring SceneNode::NameText() const {
    if (mNamePending) return NodeName(mEntity, mType).Text();
    return TextOf(mName);
}

void SceneNode::WorldIterator(IWorldIterator* iterator) {
    if (mWorldIterator && mWorldIterator != iterator) mWorldIterator->Release();
    mWorldIterator = iterator;
}

void SceneNode::ExpandChild(IWorldIterator* iterator, bool logicalScene) {
    if (!iterator) return;
    iterator->Reset(vec3<float>{0.0f, 0.0f, 0.0f});
    for (ISpatialNode* spatial = iterator->Next(); spatial; spatial = iterator->Next()) {
        // A node that answers both queries is shown once, as the cell.
        if (auto* cell = static_cast<ISpatialCell*>(spatial->QueryInterface(ISpatialCell::InterfaceID()))) {
            IWorldIterator* cellChildren = cell->ChildIterator();
            if (logicalScene) {
                // The cell is skipped: what lies below it is lifted up to this node. Its iterator was handed to us.
                ExpandChild(cellChildren, true);
                if (cellChildren) cellChildren->Release();
            } else {
                AppendChild(spatial, SceneNodeType::SpatialCell, ISpatialCell::InterfaceID(), cellChildren);
            }
        } else if (auto* render = static_cast<ARenderNode*>(spatial->QueryInterface(ARenderNode::InterfaceID()))) {
            AppendChild(spatial, SceneNodeType::RenderNode, render->TypeID(), spatial->ChildIterator());
        }
    }
}

SceneNode* SceneNode::AppendChild(ISpatialNode* entity, SceneNodeType type, const UString* suffix,
                                  IWorldIterator* iterator) {
    auto* child = new SceneNode(this);
    child->mNodeType = type;
    child->mEntity = entity;
    child->mType = suffix;
    child->mNamePending = true;
    child->mWorldIterator = iterator;
    child->mRowsPending = true;
    if (!mChildren.Add(child)) {
        delete child;
        return nullptr;
    }
    return child;
}

void SceneNode::FillCommonAttributes() {
    if (!mEntity) return;
    const Objects::Box3 box = mEntity->WorldBox();
    AddRow(L"Name", TextOf(Name()));
    AddRow(L"Memory Address", RowText(L"<0x%08x>", LowBits(mEntity)));
    AddRow(L"World Box", L"");
    AddRow(L"   Max", RowText(L"%f, %f, %f", box.mMax[0], box.mMax[1], box.mMax[2]));
    AddRow(L"   Min", RowText(L"%f, %f, %f", box.mMin[0], box.mMin[1], box.mMin[2]));
    AddRow(L"IsOriginal", BoolText(mEntity->IsOriginal()));
    AddRow(L"IsCell", BoolText(mEntity->IsCell()));
}

void SceneNode::FillSpatialCellAttributes() {
    if (!mEntity || mNodeType != SceneNodeType::SpatialCell) return;
    FillCommonAttributes();
    // The statistics come from the interface that answered, which need not sit at the entity's address.
    const auto* cell = static_cast<const ISpatialCell*>(mEntity->QueryInterface(ISpatialCell::InterfaceID()));
    if (!cell) return;
    AddRow(L"MemberCount", RowText(L"%d", cell->MemberCount()));
    AddRow(L"TotalMemberCount", RowText(L"%d", cell->TotalMemberCount()));
    AddRow(L"TotalInteriorCellCount", RowText(L"%d", cell->TotalInteriorCellCount()));
    AddRow(L"TotalLeafCellCount", RowText(L"%d", cell->TotalLeafCellCount()));
    AddRow(L"GeometricProbability", RowText(L"%f", static_cast<double>(cell->GeometricProbability())));
    AddRow(L"TotalProbabilityCost", RowText(L"%f", static_cast<double>(cell->TotalProbabilityCost())));
    AddRow(L"IsLeaf", BoolText(cell->IsLeaf()));
    AddRow(L"ChildCount", RowText(L"%d", cell->ChildCount()));
}

void SceneNode::FillRenderNodeAttributes() {
    if (!mEntity || mNodeType != SceneNodeType::RenderNode) return;
    FillCommonAttributes();
    const auto* render = static_cast<const ARenderNode*>(mEntity->QueryInterface(ARenderNode::InterfaceID()));
    if (!render) return;
    AddRow(L"Visible", BoolText(!(render->mFlags & ARenderNode::kHidden)));
    AddRow(L"Consolidated", BoolText(!(render->mFlags & ARenderNode::kNotConsolidated)));
    AddRow(L"WorldMatrix", RowText(L"<0x%08x>", LowBits(render->WorldMatrix())));
    AddRow(L"ClippingPlanes", RowText(L"<0x%08x>", LowBits(render->ClippingPlanes())));
}

void SceneNode::DrawBoundingBox(Devices::ADrawContext& context) {
    if (!mEntity || !Devices::Sys::mDrawManager) return;
    static const float kRed[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    const Objects::Box3 box = mEntity->WorldBox();
    Devices::Sys::mDrawManager->DrawBox(context, box, nullptr, false, kRed);
}

} // namespace Tarn::Utilities

