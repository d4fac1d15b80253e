// One device interface of a device information set, and the port name its key records.
#pragma once

#include <cstddef>

#include "setupapi.h"
#include "windows.h"

class CDevInfoSet;

class CDeviceInterfaceObject {
  public:
    CDeviceInterfaceObject();

    void Attach(CDevInfoSet* set, const SP_DEVICE_INTERFACE_DATA& data);
    SP_DEVICE_INTERFACE_DATA& GetInterfaceData() { return m_data; }

    // The port of the interface: its key's "Base Name" followed by its "Port Number" as three digits
    // ("DOT4_001"). ERR_BUFFEROVERFLOW when the name needs `size` characters or more.
    long GetPortName(char* out, size_t size);

  private:
    CDevInfoSet* m_set;
    SP_DEVICE_INTERFACE_DATA m_data;
};
