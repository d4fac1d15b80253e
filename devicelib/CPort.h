// A spooler port as the library classifies it by name: the maker's DOT4 ports, direct parallel ports,
// the infrared port, FILE: and the address text the uninstaller records.
#pragma once

#include "CaseInsensitiveString.h"
#include "windows.h"

class CDevInfoSet;
class CDeviceObject;

class CPort {
  public:
    CPort();

    // 0, ERR_INVALIDPOINTER for a null name, ERR_BADPARAMETER for a name of MAX_PATH characters or more.
    long Init(const char* pPortName);
    const char* GetName() const { return m_portName; }

    // A "DOT4_" port; a UNC name is refused with a trace.
    unsigned int IsSupported() const;
    // The port writes to a file ("FILE:"), not to a device.
    static unsigned int IsNoIO(const char* pPortName);
    unsigned int IsNoIO() const { return IsNoIO(m_portName); }
    unsigned int IsFILEConnected() const { return IsNoIO(); }
    static unsigned int IsFakeIO(const char* pPortName);
    unsigned int IsFakeIO() const { return IsFakeIO(m_portName); }
    unsigned int IsUNC() const { return 0; }
    // A parallel port not mapped to a network printer, or a DOT4 port.
    static unsigned int IsDirectConnect(const char* pPortName);
    unsigned int IsDirectConnect() const { return IsDirectConnect(m_portName); }
    // The port is the infrared printer port.
    unsigned int IsIrLPT() const;

    // Copies the port name into `pAddress` for a port with an address: 0 or a library error code.
    long GetAddress(char* pAddress, unsigned long size) const;
    // 0 for no port; else the name's length plus 1, the name copied into `pNumber` when given.
    unsigned long GetPortNumber(char* pNumber) const;

    // The present USB printing device whose interface names this port, as a device of `infoSet` (which
    // must outlive it): 0, ERROR_NOT_FOUND when no interface names the port, or the failing step's code.
    long GetDevice(CDevInfoSet& infoSet, CDeviceObject& device) const;
    // That device's instance id.
    long GetDeviceInstanceID(CaseInsensitiveString& id) const;

  protected:
    // The name of the print monitor the spooler keeps this port under (exact name), as a copy to free with
    // ReleasePortInfo; "" for a port without one; null with a trace when the port is not found.
    char* GetPortInfo() const;
    static void ReleasePortInfo(char* info);
    // The file's fixed version information has at least both versions (most significant part first).
    unsigned int IsVersionOK(const char* pMonitor, ULONGLONG minProductVersion, ULONGLONG minFileVersion) const;

  private:
    char m_portName[MAX_PATH];
};
