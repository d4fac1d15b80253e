// The DRIVER_INFO_3 of a printer's driver, read so that its monitor name can be changed and the driver
// added again.
#pragma once

#include "windows.h"
#include "winspool.h"

class CDriver {
  public:
    CDriver();
    ~CDriver();
    CDriver(const CDriver&) = delete;
    CDriver& operator=(const CDriver&) = delete;

    // Reads the driver of the open printer: 1, or 0 with a trace.
    unsigned int Init(HANDLE printer);
    DRIVER_INFO_3A* GetInfo() const { return reinterpret_cast<DRIVER_INFO_3A*>(m_block); }
    // The monitor name; "" when there is none or nothing was read.
    const char* GetMonitorName() const;
    // Points pMonitorName at a copy of the name (null: no monitor). 0 with a trace when the name does not
    // fit in the room kept behind the driver's data.
    unsigned int SetMonitorName(const char* name);

  private:
    // Room behind the driver's data for a new monitor name.
    static constexpr DWORD SPARE_SIZE = 260;
    BYTE* m_block;
    DWORD m_size;
    char* m_pMonitorName;
};
