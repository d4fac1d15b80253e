// One spooler printer as the library sees it: its name, port, registry key and open handles, the model
// recognised from its driver name, and whether its driver is old. It tells whether the printer is one of
// the maker's supported devices on a supported port, and switches bidirectional communication and the
// language monitor on and off.
#pragma once

#include <cstddef>
#include <string>

#include "CDeviceModel.h"
#include "CPort.h"
#include "windows.h"
#include "winspool.h"

class CFactory;

// The model database printers look their models up in. The program that uses the library builds its one
// factory and names it here before it asks printers about their models.
void SetDeviceFactory(const CFactory* factory);
const CFactory* GetDeviceFactory();

// The access a printer handle or registry key is opened with: full (administration) or read (use).
enum ETypeUser { eTypeUserAdmin = 0, eTypeUserUser = 1, eTypeUserCount = 2 };

class CPrinter {
  public:
    static constexpr DWORD DEFAULT_OLD_DRIVER_THRESHOLD = 99;

    CPrinter();
    virtual ~CPrinter();
    CPrinter(const CPrinter&) = delete;
    CPrinter& operator=(const CPrinter&) = delete;

    // 1 when the printer is known: a local printer's information and port were read, or a network
    // printer's name split into server and share.
    unsigned int Init(const char* name, DWORD oldDriverThreshold);
    // Finds the model of the printer's driver, once: 1/0.
    unsigned int DeviceModelInit() const;

    unsigned int IsDeviceSupported() const;
    unsigned int IsPortSupported() const;
    unsigned int IsSupported() const { return IsDeviceSupported() && IsPortSupported(); }
    unsigned int MustBeMonitored() const { return IsSupported() && IsPortSupported() && HasPML(); }
    DWORD HasOldDriver() const { return m_oldDriver; }

    EDot4Support SupportsDOT4() const;
    ESaveUtilityMethod SaveUtilityMethod() const;
    const char* GetHelpFileName() const;
    const char* GetModelName() const;
    DWORD HasUSB() const;
    DWORD HasPML() const;
    DWORD HasIRLpt() const;
    DWORD HasCard() const;
    DWORD Has1394() const;
    DWORD HasMSCL() const;
    DWORD HasLPT() const;
    DWORD HasVIP() const;

    // The printer handle of that access, opened on first use; null with a trace when it cannot be opened.
    HANDLE GetWindowsHandle(ETypeUser type) const;

    // The registry path of the printers' key and of this printer's key, under HKEY_LOCAL_MACHINE. 0 and
    // an empty text when the path does not fit in `size` characters.
    unsigned int BuildPathToPrinters(char* out, std::size_t size) const;
    unsigned int BuildPathToQN(char* out, std::size_t size) const;
    // Opens the printer's key with that access, once: 1/0.
    unsigned int OpenQN(ETypeUser type);
    DWORD GetAttributes();
    DWORD GetStatus();
    unsigned int IsDirect2Printer() { return (GetAttributes() & PRINTER_ATTRIBUTE_DIRECT) ? 1 : 0; }
    unsigned int IsDisabled() { return (GetAttributes() & PRINTER_ATTRIBUTE_ENABLE_BIDI) ? 0 : 1; }
    unsigned int IsPaused() { return (GetStatus() & PAUSED_STATUS_BITS) ? 1 : 0; }

    // GetPrinter at that level into a new block (null with a trace); ReleasePrinterInfo frees it.
    BYTE* GetPrinterInfo(DWORD level) const;
    static void ReleasePrinterInfo(BYTE* info);
    unsigned int SetPrinterInfo(BYTE* info, DWORD level);

    // Switches bidirectional communication: 1 when the printer's settings were written (and on Windows
    // 9x the port driver was told), else 0.
    unsigned int Enable(unsigned int on);
    unsigned int Disable() { return Enable(0); }
    // Switches the driver's language monitor and then bidirectional communication: 1/0.
    unsigned int EnableLM(unsigned int on, const char* monitorName);
    unsigned int DisableLM();

    long GetAddress(char* out, unsigned long size) const;
    unsigned long GetPortNumber(char* out) const { return m_port.GetPortNumber(out); }
    unsigned int IsIrLPT() const { return m_port.IsIrLPT(); }
    unsigned int IsDirectConnect() const { return m_port.IsDirectConnect(); }
    unsigned int IsFILEConnected() const { return m_port.IsFILEConnected(); }
    const CPort& GetATemporalPortRef() const { return m_port; }
    const char* GetATemporalFriendlyNamePtr() const { return m_printerName; }
    const char* GetATemporalPortNamePtr() const { return m_portName; }
    unsigned int IsUNC() const;
    const char* GetDeviceInstanceID() const;
    void Dump() const;

    // The drive letter of the memory-card reader of the printer's device: 0, ERROR_NOT_FOUND when the
    // model has no card reader or no removable drive hangs from the printer's device, or a failing step's code.
    long GetCardDriveLetter(char& drive) const;

    static int ShowWarningMsg(const char* caption, const char* text, UINT style);

  private:
    static constexpr DWORD PAUSED_STATUS_BITS = 0x100001;

    const CDeviceModel* Model() const { return DeviceModelInit() ? m_pModel : NULL; }
    DWORD ReadKeyValue(const char* valueName);
    void CloseAll();

    HKEY m_keys[eTypeUserCount];
    char m_registryName[MAX_PATH];
    CPort m_port;
    mutable const CDeviceModel* m_pModel;
    mutable DWORD m_oldDriver;
    DWORD m_oldDriverThreshold;
    char m_printerName[MAX_PATH];
    char m_portName[MAX_PATH];
    char m_server[MAX_PATH];
    char m_share[MAX_PATH];
    mutable HANDLE m_handles[eTypeUserCount];
    std::string m_deviceInstanceId;
};
