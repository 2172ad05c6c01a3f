// Device-layer classes that other layers name before the device layer is included.
#pragma once

#pragma GCC visibility push(default)

namespace Tarn::Devices {

class EffectInstance;
class ParameterValues;
class ASamplerState;
class AVertexFormat;
class OverrideDeviceState;
class ARasterizerState;
class ADepthStencilState;
class ABlendState;

} // namespace Tarn::Devices

#pragma GCC visibility pop
