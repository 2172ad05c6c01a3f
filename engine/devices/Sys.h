// The device layer's process-wide services.
#pragma once

#include "engine/objects/Containers.h"
#include "engine/objects/Interfaces.h"

#pragma GCC visibility push(default)

namespace Tarn::Devices {

// What a virtual device can do.
class DeviceCapabilities {
public:
    explicit DeviceCapabilities(int planeCount = 6) : mPlaneCount(planeCount) {}
    virtual ~DeviceCapabilities() = default;
    virtual int PlaneCount() const { return mPlaneCount; }

private:
    int mPlaneCount;
};

class AVirtualDevice : public Objects::ARefCounted {
public:
    virtual const DeviceCapabilities* Capabilities() const = 0;
};

class DrawManager;

using VirtualDeviceList = Objects::_ListBase<AVirtualDevice*, Objects::RefCountedLifetime<AVirtualDevice*>>;

class Sys {
public:
    // The devices the engine runs on; entry 0 is the primary device. The list does not own them.
    static VirtualDeviceList& VirtualDevices();

    // Draws debug shapes for tools; null until the host's renderer installs one. Not owned.
    static DrawManager* mDrawManager;
};

} // namespace Tarn::Devices

#pragma GCC visibility pop
