// One device of a device information set: its registry properties, its device instance id, and the
// devices above and below it in the tree of present devices.
#pragma once

#include <functional>

#include "CaseInsensitiveString.h"
#include "setupapi.h"
#include "windows.h"

class CDevInfoSet;
class CDeviceInterfaceObject;

class CDeviceObject {
  public:
    CDeviceObject();
    CDeviceObject(const CDeviceObject& other);
    CDeviceObject& operator=(const CDeviceObject& other);
    virtual ~CDeviceObject();

    // Keeps the set and a copy of the device's data (zeroed when `data` is null).
    void Attach(CDevInfoSet* set, const SP_DEVINFO_DATA* data);
    const SP_DEVINFO_DATA& GetInfoData() const { return m_data; }
    CDevInfoSet* GetInfoSet() const { return m_set; }

    // A registry property (SPDRP_ code) into the caller's buffer. ERROR_INSUFFICIENT_BUFFER when it does
    // not fit, with the size it needs in `needed`.
    long GetProperty(DWORD code, DWORD* type, BYTE* buffer, DWORD size, DWORD* needed);
    // A property as text (the first string of a multi-string).
    long GetProperty(DWORD code, CaseInsensitiveString& value);

    long GetDeviceID(CaseInsensitiveString& id);
    // The device's parent or first child, in the same set.
    long GetParent(CDeviceObject& parent);
    long GetChild(CDeviceObject& child);
    // Climbs the parents into `ancestor` until `predicate` holds for it; at the top of the tree,
    // GetParent's error.
    long FindAncestor(CDeviceObject& ancestor, const std::function<bool(CDeviceObject&)>& predicate);

    // The device's interface of its set's interface class.
    long GetDeviceInterface(CDeviceInterfaceObject& deviceInterface);
    // Windows 9x: the drive letter the system gave a disk device.
    long GetDriveLetter(char& letter);

    // Writes the device's properties and the device ids of its ancestors.
    void Dump();

  private:
    long GetProperty9x(DWORD code, DWORD* type, BYTE* buffer, DWORD size, DWORD* needed);
    long Relative(bool parent, CDeviceObject& relative);

    CDevInfoSet* m_set;
    SP_DEVINFO_DATA m_data;
};
