// The small independent interface roots that engine classes combine by multiple inheritance.
// None derives from another, so no class ever holds two sub-objects of one of them.
#pragma once

#pragma GCC visibility push(default)

namespace Tarn::Objects {

#define TARN_INTERFACE_ROOT(Name) \
    class Name {                  \
    public:                       \
        virtual ~Name() = default; \
    }

TARN_INTERFACE_ROOT(IClone);
TARN_INTERFACE_ROOT(IBaseInterface);
TARN_INTERFACE_ROOT(IDelete);
TARN_INTERFACE_ROOT(IUniqueName);
TARN_INTERFACE_ROOT(IPlugInObject);
TARN_INTERFACE_ROOT(IDisposeResource);
TARN_INTERFACE_ROOT(AFlags);
TARN_INTERFACE_ROOT(ICategory);
TARN_INTERFACE_ROOT(IEnumerable);
TARN_INTERFACE_ROOT(IVertexFormat);

#undef TARN_INTERFACE_ROOT

class KString;

// What a user interface shows for an object.
class IUIName {
public:
    virtual ~IUIName() = default;
    virtual const KString* UIName() const { return nullptr; }
};

// One root per compared type.
template <class X> class IValueEquals {
public:
    virtual ~IValueEquals() = default;
};

class ARefCounted : public IBaseInterface {};
class AUniqueName : public IUniqueName {};
class ACategory : public ICategory {};

// Allocation mix-in; carries no state.
class HeapOperators {};

} // namespace Tarn::Objects

#pragma GCC visibility pop
