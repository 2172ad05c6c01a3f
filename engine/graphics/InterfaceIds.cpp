#include "engine/graphics/RenderNode.h"
#include "engine/graphics/SpatialCell.h"

#include <cxxabi.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <typeinfo>
#include <unordered_map>

namespace Tarn::Graphics {

Objects::UString* ISpatialCell::InterfaceID() {
    static Objects::UString* const id = Objects::Intern(L"ISpatialCell");
    return id;
}

Objects::UString* ARenderNode::InterfaceID() {
    static Objects::UString* const id = Objects::Intern(L"ARenderNode");
    return id;
}

// The node's class name without its namespaces ("PolylineNode<float>"), interned once per class.
Objects::UString* ARenderNode::TypeID() const {
    static std::mutex guard;
    static std::unordered_map<const std::type_info*, Objects::UString*> ids;
    const std::type_info& type = typeid(*this);
    const std::lock_guard<std::mutex> lock(guard);
    Objects::UString*& id = ids[&type];
    if (!id) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
        std::string name = status == 0 && demangled ? demangled : type.name();
        std::free(demangled);
        const size_t scope = name.rfind("::", name.find('<'));
        if (scope != std::string::npos) name.erase(0, scope + 2);
        id = Objects::Intern(std::wstring(name.begin(), name.end()).c_str());
    }
    return id;
}

} // namespace Tarn::Graphics
