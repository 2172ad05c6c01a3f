#include "engine/devices/Sys.h"

namespace Tarn::Devices {

DrawManager* Sys::mDrawManager = nullptr;

VirtualDeviceList& Sys::VirtualDevices() {
    static VirtualDeviceList devices;
    return devices;
}

} // namespace Tarn::Devices
