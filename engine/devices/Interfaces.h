// The device layer's own interface roots. Like those of the object model, none derives from another.
#pragma once

#pragma GCC visibility push(default)

namespace Tarn::Devices {

class ICacheable {
public:
    virtual ~ICacheable() = default;
};

class ITextures {
public:
    virtual ~ITextures() = default;
};

// Something that effect parameters are activated on: a constant buffer or an effect of one of the APIs.
class IParameterActivationTarget {
public:
    virtual ~IParameterActivationTarget() = default;
};

} // namespace Tarn::Devices

#pragma GCC visibility pop
