#include "engine/devices/Sys.h"

namespace Tarn::Devices {

VirtualDeviceList& Sys::VirtualDevices() {
    static VirtualDeviceList devices;
    return devices;
}

} // namespace Tarn::Devices
