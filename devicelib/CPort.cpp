#include "CPort.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "CDevInfoSet.h"
#include "CDeviceInterfaceObject.h"
#include "CDeviceObject.h"
#include "CaseInsensitiveString.h"
#include "OsVersion.h"
#include "SpoolerAccess.h"
#include "Trace.h"
#include "UsbDeviceSearches.h"
#include "winver.h"

namespace {

constexpr char DOT4_PORT_PREFIX[] = "DOT4_";
constexpr char FILE_PORT[] = "FILE:";
constexpr char IR_PORT_NT[] = "IR";
constexpr char IR_KEY_9X[] = "Enum\\INFRARED\\VirtualPorts";
constexpr char IR_VALUE_9X[] = "VirtualLptPortName";
constexpr DWORD IR_VALUE_SIZE = 10;
constexpr char NO_IR[] = "No IR installed\n";
constexpr char NO_IR_VALUE[] = "Error !!! unable to get VirtualLptPortName \n";

bool EqualsNoCase(const char* left, const char* right) {
    return CaseInsensitiveString(left) == right;
}

// The infrared port's name: "IR", on Windows 9x the virtual LPT port of the infrared driver ("" when none).
std::string InfraredPortName() {
    if (!Is9X()) return IR_PORT_NT;
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, IR_KEY_9X, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::printf("%s", NO_IR);
        return "";
    }
    char name[IR_VALUE_SIZE + 1] = {};
    DWORD size = IR_VALUE_SIZE;
    LONG result = RegQueryValueExA(key, IR_VALUE_9X, NULL, NULL, reinterpret_cast<LPBYTE>(name), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        std::printf("%s", NO_IR_VALUE);
        return "";
    }
    return name;
}

// "LPT<digit>:" mapped to a network printer for the user.
bool IsMappedParallelPort(const char* pPortName) {
    std::string key = "Network\\Persistent\\" + std::string(pPortName, 4);
    HKEY persistent = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &persistent) != ERROR_SUCCESS)
        return false;
    LONG result = RegQueryValueExA(persistent, "RemotePath", NULL, NULL, NULL, NULL);
    RegCloseKey(persistent);
    return result == ERROR_SUCCESS;
}

}  // namespace

CPort::CPort() : m_portName() {}

long CPort::Init(const char* pPortName) {
    if (!pPortName) {
        TraceFailedReturningCode("CPort::Init(pPortName==NULL)", ERR_INVALIDPOINTER);
        return ERR_INVALIDPOINTER;
    }
    if (std::strlen(pPortName) >= sizeof(m_portName) / sizeof(char)) {
        TraceFailedReturningCode("CPort::Init() checking _tcslen(pPortName)<sizeof(_portName)/sizeof(TChar)",
                                 ERR_BADPARAMETER);
        return ERR_BADPARAMETER;
    }
    std::strcpy(m_portName, pPortName);
    return ERR_NOERROR;
}

unsigned int CPort::IsSupported() const {
    if (m_portName[0] == '\\') {
        std::printf("UNC printers not supported on %s\n", m_portName);
        return 0;
    }
    return StartsWithNoCase(m_portName, DOT4_PORT_PREFIX) ? 1 : 0;
}

unsigned int CPort::IsNoIO(const char* pPortName) {
    return pPortName && StartsWithNoCase(pPortName, FILE_PORT) ? 1 : 0;
}

unsigned int CPort::IsFakeIO(const char*) {
    return 0;
}

unsigned int CPort::IsDirectConnect(const char* pPortName) {
    if (!pPortName) {
        TraceFailed("pPortName");
        return 0;
    }
    if (std::strlen(pPortName) == 5 && StartsWithNoCase(pPortName, "LPT") &&
        std::isdigit(static_cast<unsigned char>(pPortName[3])) && pPortName[4] == ':') {
        return IsMappedParallelPort(pPortName) ? 0 : 1;
    }
    return StartsWithNoCase(pPortName, "DOT4") ? 1 : 0;
}

unsigned int CPort::IsIrLPT() const {
    std::string infrared = InfraredPortName();
    // An empty or shorter port name is not the infrared port, even though it is a prefix of its name.
    if (infrared.empty() || std::strlen(m_portName) < infrared.size()) return 0;
    return case_insensitive_char_traits::compare(m_portName, infrared.c_str(), infrared.size()) == 0 ? 1 : 0;
}

long CPort::GetAddress(char* pAddress, unsigned long size) const {
    if (!pAddress) {
        TraceFailedReturningCode("CPort::GetAddress(pAddress==NULL,)", ERR_INVALIDPOINTER);
        return ERR_INVALIDPOINTER;
    }
    if (size == 0) {
        TraceFailedReturningCode("CPort::GetAddress(,size==0)", ERR_BADPARAMETER);
        return ERR_BADPARAMETER;
    }
    if (!m_portName[0]) {
        TraceFailedReturningCode("CPort::GetAddress() cheching _portName[0]", ERR_UNKNOWN);
        return ERR_UNKNOWN;
    }
    for (const char* serial : {"COM1:", "COM2:", "COM3:", "COM4:"}) {
        if (EqualsNoCase(m_portName, serial)) return ERR_PORTNOTSUPPORTED;
    }
    if (!IsNoIO() && !StartsWithNoCase(m_portName, "LPT") &&
        CaseInsensitiveString(m_portName).find(DOT4_PORT_PREFIX) == CaseInsensitiveString::npos) {
        return ERR_UNKNOWN;
    }
    if (std::strlen(m_portName) >= size) {
        TraceFailedReturningCode("CPort::GetAddress() checking size", ERR_BUFFEROVERFLOW);
        return ERR_BUFFEROVERFLOW;
    }
    std::strcpy(pAddress, m_portName);
    return ERR_NOERROR;
}

unsigned long CPort::GetPortNumber(char* pNumber) const {
    if (!m_portName[0]) return 0;
    if (pNumber) std::strcpy(pNumber, m_portName);
    return static_cast<unsigned long>(std::strlen(m_portName) + 1);
}

char* CPort::GetPortInfo() const {
    SpoolerLock lock;
    DWORD needed = 0, count = 0;
    if (!EnumPortsA(NULL, 2, NULL, 0, &needed, &count) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        std::printf("CPort[%s]::IsPortSupported() EnumPorts fails (err = %d)\n", m_portName,
                    static_cast<int>(GetLastError()));
        return NULL;
    }
    SpoolerBlock block(NewSpoolerBlock(needed));
    if (!block) {
        std::printf("CPrinter[%s]::IsPortSupported() Can not allocate memory\n", m_portName);
        return NULL;
    }
    if (!EnumPortsA(NULL, 2, block.get(), needed, &needed, &count)) {
        std::printf("CPort[%s]::IsPortSupported() EnumPorts fails (err = %d)\n", m_portName,
                    static_cast<int>(GetLastError()));
        return NULL;
    }
    lock.Unlock();
    const PORT_INFO_2A* ports = reinterpret_cast<const PORT_INFO_2A*>(block.get());
    for (DWORD index = 0; index < count; ++index) {
        if (!ports[index].pPortName || std::strcmp(ports[index].pPortName, m_portName) != 0) continue;
        const char* monitor = ports[index].pMonitorName ? ports[index].pMonitorName : "";
        char* copy = new (std::nothrow) char[std::strlen(monitor) + 1];
        if (!copy) {
            std::printf("CPrinter[%s]::IsPortSupported() Can not allocate memory\n", m_portName);
            return NULL;
        }
        return std::strcpy(copy, monitor);
    }
    std::printf("CPort[%s]::IsPortSupported() Can not find the port\n", m_portName);
    return NULL;
}

void CPort::ReleasePortInfo(char* info) {
    delete[] info;
}

unsigned int CPort::IsVersionOK(const char* pMonitor, ULONGLONG minProductVersion,
                                ULONGLONG minFileVersion) const {
    if (!pMonitor || !minProductVersion || !minFileVersion) {
        TraceFailed("pMonitor");
        return 0;
    }
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(pMonitor, &handle);
    if (!size) {
        std::printf("CPort[%s]::IsPortSupported() GetFileVersionInfoSize() fails\n", m_portName);
        return 0;
    }
    std::unique_ptr<BYTE[]> info(new (std::nothrow) BYTE[size]);
    if (!info) {
        std::printf("CPrinter[%s]::IsPortSupported() Can not allocate memory\n", m_portName);
        return 0;
    }
    if (!GetFileVersionInfoA(pMonitor, 0, size, info.get())) {
        std::printf("CPort[%s]::IsPortSupported() GetFileVersionInfo() fails\n", m_portName);
        return 0;
    }
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (!VerQueryValueA(info.get(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        std::printf("CPort[%s]::IsPortSupported() VerQueryValue() fails\n", m_portName);
        return 0;
    }
    ULONGLONG product = (static_cast<ULONGLONG>(fixed->dwProductVersionMS) << 32) | fixed->dwProductVersionLS;
    ULONGLONG file = (static_cast<ULONGLONG>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
    return product >= minProductVersion && file >= minFileVersion ? 1 : 0;
}

long CPort::GetDevice(CDevInfoSet& infoSet, CDeviceObject& device) const {
    long result = infoSet.EnumInterfaceDevices(&USB_PRINTING_INTERFACE);
    if (result != ERR_NOERROR) {
        TraceFailedWith("infoSet.EnumInterfaceDevices", result);
        return result;
    }
    for (;;) {
        result = infoSet.NextDevice(device);
        if (result == ERROR_NO_MORE_DEVICES || result == ERROR_NO_MORE_ITEMS) {
            std::printf("EnumDevicesInterface can not find the instance for %s:\n", m_portName);
            return ERROR_NOT_FOUND;
        }
        if (result != ERR_NOERROR) {
            TraceFailedWith("infoSet.EnumInterfaceDevices", result);
            return result;
        }
        CDeviceInterfaceObject deviceInterface;
        result = device.GetDeviceInterface(deviceInterface);
        if (result != ERR_NOERROR) {
            TraceFailedWith("GetDeviceInterface", result);
            return result;
        }
        char portName[MAX_PATH] = "";
        result = deviceInterface.GetPortName(portName, sizeof portName);
        if (result == ERR_BUFFEROVERFLOW) return result;
        if (result != ERR_NOERROR) {
            TraceFailedWith("GetPortName", result);
            return result;
        }
        if (EqualsNoCase(portName, m_portName)) return ERR_NOERROR;
    }
}

long CPort::GetDeviceInstanceID(CaseInsensitiveString& id) const {
    if (!m_portName[0]) {
        TraceFailed("GetDeviceInstanceID uninitilaized object");
        return ERROR_INVALID_DRIVE;
    }
    CDevInfoSet infoSet;
    CDeviceObject device;
    long result = GetDevice(infoSet, device);
    if (result == ERROR_NOT_FOUND) return result;
    if (result != ERR_NOERROR) {
        TraceFailedWith("GetDevice", result);
        return result;
    }
    result = device.GetDeviceID(id);
    if (result != ERR_NOERROR) TraceFailedWith("port.GetDeviceID", result);
    return result;
}
