#include "engine/graphics/RenderNode.h"
#include "engine/graphics/SpatialCell.h"

namespace Tarn::Graphics {

Objects::UString* ISpatialCell::InterfaceID() {
    static Objects::UString* const id = Objects::Intern(L"ISpatialCell");
    return id;
}

Objects::UString* ARenderNode::InterfaceID() {
    static Objects::UString* const id = Objects::Intern(L"ARenderNode");
    return id;
}

Objects::UString* ARenderNode::TypeID() const {
    static Objects::UString* const id = Objects::Intern(L"ARenderNode");
    return id;
}

} // namespace Tarn::Graphics
