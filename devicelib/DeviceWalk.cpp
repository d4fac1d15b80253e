#include "DeviceWalk.h"

#include "CDevInfoSet.h"
#include "CDeviceObject.h"
#include "Trace.h"

unsigned int ForAllDevices(DeviceItemCallback item, void* u1, void* u2, void* u3) {
    CDevInfoSet infoSet;
    const long result = infoSet.EnumDevices(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    if (result != ERR_NOERROR) {
        TraceFailedWith("CDevInfoSet::EnumDevices", result);
        return 0;
    }
    CDeviceObject device;
    while (infoSet.NextDevice(device) == ERR_NOERROR) {
        if (item(device, u1, u2, u3) == 0) break;
    }
    return 1;
}
