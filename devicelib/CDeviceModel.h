// One model of the maker's devices as an installer data file describes it: the section it was read from,
// its printer-driver name (the key by which the library recognises a printer), its device ids, help file,
// connections and features.
#pragma once

#include "CaseInsensitiveString.h"
#include "windows.h"

// How a model supports IEEE 1284.4 (DOT4) and how its settings are saved; the library stores and returns
// the numbers the data file gives.
enum EDot4Support : INT {};
enum ESaveUtilityMethod : INT {};

class CDeviceModel {
  public:
    CDeviceModel();
    CDeviceModel(const CDeviceModel& other);
    CDeviceModel& operator=(const CDeviceModel& other);
    virtual ~CDeviceModel();

    // Reads the model from its section of the data file; missing keys keep their defaults. 1 on success;
    // 0 with a trace line when either name is null.
    unsigned int Init(const char* pSectionName, const char* pDatFileName);

    const char* GetSectionName() const { return m_sectionName.c_str(); }
    const char* GetDatFileName() const { return m_datFileName.c_str(); }
    const char* GetDriverName() const { return m_driverName.c_str(); }
    const char* GetModelName() const { return m_driverName.c_str(); }
    const char* GetUsbID() const { return m_usbId.c_str(); }
    const char* GetParallelID() const { return m_parallelId.c_str(); }
    const char* GetHelpFileName() const { return m_helpFileName.c_str(); }
    EDot4Support SupportsDOT4() const { return m_dot4Support; }
    ESaveUtilityMethod SaveUtilityMethod() const { return m_saveUtility; }
    DWORD HasUSB() const { return m_usb; }
    DWORD HasIRLpt() const { return m_ir; }
    DWORD Has1394() const { return m_1394; }
    DWORD HasCard() const { return m_card; }
    DWORD HasMSCL() const { return m_mscl; }
    DWORD HasLPT() const { return m_lpt; }
    DWORD HasVIP() const { return m_vip; }
    DWORD HasPML() const { return m_pml; }
    DWORD IsFrontPort() const { return m_frontPort; }
    DWORD IsSupported() const { return m_supported; }
    void Dump() const;

  private:
    CaseInsensitiveString m_sectionName;
    CaseInsensitiveString m_datFileName;
    CaseInsensitiveString m_driverName;
    CaseInsensitiveString m_usbId;
    CaseInsensitiveString m_parallelId;
    CaseInsensitiveString m_helpFileName;
    EDot4Support m_dot4Support;
    ESaveUtilityMethod m_saveUtility;
    DWORD m_usb;
    DWORD m_ir;
    DWORD m_1394;
    DWORD m_mscl;
    DWORD m_lpt;
    DWORD m_vip;
    DWORD m_card;
    DWORD m_pml;
    DWORD m_frontPort;
    DWORD m_supported;
};
