#include "CPrinter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "CDevInfoSet.h"
#include "CDeviceObject.h"
#include "CDriver.h"
#include "CFactory.h"
#include "CaseInsensitiveString.h"
#include "DiskDevices.h"
#include "OsVersion.h"
#include "SpoolerAccess.h"
#include "Trace.h"

namespace {

constexpr char UNC_PREFIX[] = "\\\\";
constexpr char WARNING_CAPTION[] = "Warning";
constexpr char NO_RIGHTS_FOR_BIDI[] = "No rights for Bi-Di";
constexpr char PRINTERS_PATH[] = "System\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr char SERVERS_PATH[] =
    "System\\CurrentControlSet\\Control\\Print\\Providers\\LanMan Print Services\\Servers";
constexpr char PRINTERS_SUBPATH[] = "\\Printers\\";
constexpr char OPEN_PRINTER_FAILURE[] = "OpenPrinter fails 'cause =%u\n";
constexpr char ATTRIBUTES_KEY_FAILURE[] = "Cannot open key to attributes\n";

const CFactory* g_pDeviceFactory = NULL;

// Copies at most size - 1 characters and always ends the copy.
void CopyBounded(char* out, std::size_t size, const char* text) {
    std::snprintf(out, size, "%s", text);
}

// Appends the parts to `out`; false, and `out` emptied, when they do not fit in `size` characters.
bool JoinBounded(char* out, std::size_t size, std::initializer_list<const char*> parts) {
    if (!out || size == 0) return false;
    std::size_t length = 0;
    for (const char* part : parts) {
        std::size_t partLength = std::strlen(part);
        if (length + partLength >= size) {
            out[0] = '\0';
            return false;
        }
        std::memcpy(out + length, part, partLength);
        length += partLength;
    }
    out[length] = '\0';
    return true;
}

// The driver is old when the two characters before the extension of its file name, read as a number,
// are below the threshold.
DWORD IsOldDriverPath(const char* driverPath, DWORD threshold) {
    if (!driverPath) return 0;
    const char* dot = std::strrchr(driverPath, '.');
    if (!dot || dot - driverPath < 2) return 0;
    char digits[3] = {dot[-2], dot[-1], '\0'};
    return static_cast<DWORD>(std::atol(digits)) < threshold ? 1 : 0;
}

// The top-most device above `device` that belongs to the model: a parallel-port enumerator at once, else
// the last parent whose id holds the model's parallel or USB id. An empty id of the model matches nothing.
long FindTopMostAncestor(CDeviceObject& device, const CDeviceModel& model, CDeviceObject& ancestor) {
    CaseInsensitiveString parallelId = model.GetParallelID();
    CaseInsensitiveString usbId = model.GetUsbID();
    bool found = false;
    CDeviceObject current = device;
    CDeviceObject parent;
    while (current.GetParent(parent) == ERR_NOERROR) {
        CaseInsensitiveString id;
        if (parent.GetDeviceID(id) != ERR_NOERROR) break;
        if (StartsWithNoCase(id.c_str(), "LPTENUM")) {
            ancestor = parent;
            return ERR_NOERROR;
        }
        if ((!parallelId.empty() && id.find(parallelId) != CaseInsensitiveString::npos) ||
            (!usbId.empty() && id.find(usbId) != CaseInsensitiveString::npos)) {
            ancestor = parent;
            found = true;
        }
        current = parent;
    }
    return found ? ERR_NOERROR : ERROR_NOT_FOUND;
}

}  // namespace

void SetDeviceFactory(const CFactory* factory) {
    g_pDeviceFactory = factory;
}

const CFactory* GetDeviceFactory() {
    return g_pDeviceFactory;
}

CPrinter::CPrinter()
    : m_keys(),
      m_registryName(),
      m_port(),
      m_pModel(NULL),
      m_oldDriver(0),
      m_oldDriverThreshold(DEFAULT_OLD_DRIVER_THRESHOLD),
      m_printerName(),
      m_portName(),
      m_server(),
      m_share(),
      m_handles() {}

CPrinter::~CPrinter() {
    CloseAll();
}

void CPrinter::CloseAll() {
    for (HANDLE& handle : m_handles) {
        if (handle && !ClosePrinter(handle)) {
            std::printf("Calling ClosePrinter() failed, GetLastError()=%d", static_cast<int>(GetLastError()));
        }
        handle = NULL;
    }
    for (HKEY& key : m_keys) {
        if (key) RegCloseKey(key);
        key = NULL;
    }
}

unsigned int CPrinter::Init(const char* name, DWORD oldDriverThreshold) {
    if (!name) return 0;
    CloseAll();
    m_pModel = NULL;
    m_oldDriver = 0;
    m_server[0] = m_share[0] = m_portName[0] = '\0';
    CopyBounded(m_printerName, sizeof m_printerName, name);
    CopyBounded(m_registryName, sizeof m_registryName, name);
    if (std::strstr(m_registryName, UNC_PREFIX)) {
        for (char* character = m_registryName; *character; ++character) {
            if (*character == '\\') *character = ',';
        }
    }
    m_oldDriverThreshold = oldDriverThreshold;
    if (IsUNC()) {
        // "\\server\share": the server is the text before the third backslash, the share the rest.
        const char* third = std::strchr(m_printerName + 2, '\\');
        std::size_t serverLength =
            third ? static_cast<std::size_t>(third - m_printerName) : std::strlen(m_printerName);
        std::snprintf(m_server, sizeof m_server, "%.*s", static_cast<int>(serverLength), m_printerName);
        CopyBounded(m_share, sizeof m_share, third ? third + 1 : "");
        CopyBounded(m_portName, sizeof m_portName, m_registryName);
        return 1;
    }
    BYTE* block = GetPrinterInfo(2);
    if (!block) return 0;
    const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(block);
    const char* portName = info->pPortName ? info->pPortName : "";
    CopyBounded(m_portName, sizeof m_portName, portName);
    long result = m_port.Init(portName);
    ReleasePrinterInfo(block);
    if (result != ERR_NOERROR) {
        TraceFailedWith("port.Init()", result);
        return 0;
    }
    SetLastError(0);
    return 1;
}

unsigned int CPrinter::DeviceModelInit() const {
    if (m_pModel) return 1;
    HANDLE printer = GetWindowsHandle(eTypeUserUser);
    if (!printer) return 0;
    DWORD needed = 0;
    BOOL sized;
    {
        SpoolerLock lock;
        sized = GetPrinterDriverWithRetry(printer, NULL, 3, NULL, 0, &needed);
    }
    if (!sized && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        TraceFailedWith("GetPrinterDriver size", static_cast<long>(GetLastError()));
        return 0;
    }
    SpoolerBlock block(NewSpoolerBlock(needed));
    if (!block) {
        TraceFailed("Failed to allocate space for DRIVER_INFO_1");
        return 0;
    }
    BOOL read;
    {
        SpoolerLock lock;
        read = GetPrinterDriverWithRetry(printer, NULL, 3, block.get(), needed, &needed);
    }
    if (!read) {
        TraceFailedWith("GetPrinterDriver name", static_cast<long>(GetLastError()));
        return 0;
    }
    const DRIVER_INFO_3A* info = reinterpret_cast<const DRIVER_INFO_3A*>(block.get());
    const CFactory* factory = GetDeviceFactory();
    if (!factory) {
        TraceFailed("FactorADeviceModel");
        return 0;
    }
    m_pModel = &factory->FactorADeviceModel(info->pName);
    m_oldDriver = IsOldDriverPath(info->pDriverPath, m_oldDriverThreshold);
    return 1;
}

unsigned int CPrinter::IsUNC() const {
    return std::strncmp(m_printerName, UNC_PREFIX, 2) == 0 ? 1 : 0;
}

unsigned int CPrinter::IsDeviceSupported() const {
    if (IsUNC()) return 0;
    const CDeviceModel* model = Model();
    return model && model->IsSupported() == 1 ? 1 : 0;
}

unsigned int CPrinter::IsPortSupported() const {
    if (m_printerName[0] == '\\' || m_portName[0] == '\\') {
        std::printf("UNC printers not supported %s\n", m_printerName);
        return 0;
    }
    return m_port.IsSupported();
}

EDot4Support CPrinter::SupportsDOT4() const {
    const CDeviceModel* model = Model();
    return model ? model->SupportsDOT4() : EDot4Support{};
}

ESaveUtilityMethod CPrinter::SaveUtilityMethod() const {
    const CDeviceModel* model = Model();
    return model ? model->SaveUtilityMethod() : ESaveUtilityMethod{};
}

const char* CPrinter::GetHelpFileName() const {
    const CDeviceModel* model = Model();
    return model ? model->GetHelpFileName() : "";
}

const char* CPrinter::GetModelName() const {
    const CDeviceModel* model = Model();
    return model ? model->GetModelName() : "";
}

#define MODEL_FLAG(method)                   \
    DWORD CPrinter::method() const {         \
        const CDeviceModel* model = Model(); \
        return model ? model->method() : 0;  \
    }
MODEL_FLAG(HasUSB)
MODEL_FLAG(HasPML)
MODEL_FLAG(HasIRLpt)
MODEL_FLAG(HasCard)
MODEL_FLAG(Has1394)
MODEL_FLAG(HasMSCL)
MODEL_FLAG(HasLPT)
MODEL_FLAG(HasVIP)
#undef MODEL_FLAG

HANDLE CPrinter::GetWindowsHandle(ETypeUser type) const {
    if (m_handles[type]) return m_handles[type];
    PRINTER_DEFAULTSA defaults = {
        NULL, NULL,
        static_cast<ACCESS_MASK>(type == eTypeUserAdmin ? PRINTER_ALL_ACCESS : PRINTER_ACCESS_USE)};
    HANDLE printer = NULL;
    SpoolerLock lock;
    if (!OpenPrinterA(const_cast<LPSTR>(m_printerName), &printer, &defaults)) {
        std::printf(OPEN_PRINTER_FAILURE, static_cast<unsigned int>(GetLastError()));
        return NULL;
    }
    m_handles[type] = printer;
    return printer;
}

unsigned int CPrinter::BuildPathToPrinters(char* out, std::size_t size) const {
    if (!IsUNC()) return JoinBounded(out, size, {PRINTERS_PATH}) ? 1 : 0;
    // The server without its leading backslashes.
    return JoinBounded(out, size, {SERVERS_PATH, "\\", m_server + 2, PRINTERS_SUBPATH}) ? 1 : 0;
}

unsigned int CPrinter::BuildPathToQN(char* out, std::size_t size) const {
    if (!BuildPathToPrinters(out, size)) return 0;
    std::size_t length = std::strlen(out);
    const char* name = !IsUNC() ? m_printerName : IsNT() ? m_share : m_registryName + 2;
    return JoinBounded(out + length, size - length, {name}) ? 1 : (out[0] = '\0', 0);
}

unsigned int CPrinter::OpenQN(ETypeUser type) {
    if (m_keys[type]) return 1;
    char path[2 * MAX_PATH];
    if (!BuildPathToQN(path, sizeof path)) return 0;
    SpoolerLock lock;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0,
                                type == eTypeUserAdmin ? KEY_ALL_ACCESS : KEY_READ, &m_keys[type]);
    if (result == ERROR_SUCCESS) return 1;
    m_keys[type] = NULL;
    if (result == ERROR_ACCESS_DENIED)
        ShowWarningMsg(WARNING_CAPTION, NO_RIGHTS_FOR_BIDI, MB_ICONEXCLAMATION);
    SetLastError(static_cast<DWORD>(result));
    return 0;
}

DWORD CPrinter::ReadKeyValue(const char* valueName) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!OpenQN(eTypeUserUser) ||
        RegQueryValueExA(m_keys[eTypeUserUser], valueName, NULL, NULL, reinterpret_cast<LPBYTE>(&value),
                         &size) != ERROR_SUCCESS) {
        std::printf("%s", ATTRIBUTES_KEY_FAILURE);
        return 0;
    }
    return value;
}

DWORD CPrinter::GetAttributes() {
    return ReadKeyValue("Attributes");
}

DWORD CPrinter::GetStatus() {
    return ReadKeyValue("Status");
}

BYTE* CPrinter::GetPrinterInfo(DWORD level) const {
    HANDLE printer = GetWindowsHandle(eTypeUserUser);
    if (!printer) return NULL;
    SpoolerLock lock;
    DWORD needed = 0;
    if (!GetPrinterA(printer, level, NULL, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        TraceFailedWith("GetPrinter size", static_cast<long>(GetLastError()));
        return NULL;
    }
    SpoolerBlock block(NewSpoolerBlock(needed));
    if (!block) {
        TraceFailed("new TByte[needed]");
        return NULL;
    }
    if (!GetPrinterA(printer, level, block.get(), needed, &needed)) {
        TraceFailedWith("GetPrinter", static_cast<long>(GetLastError()));
        return NULL;
    }
    return block.release();
}

void CPrinter::ReleasePrinterInfo(BYTE* info) {
    DeleteSpoolerBlock(info);
}

unsigned int CPrinter::SetPrinterInfo(BYTE* info, DWORD level) {
    HANDLE printer = GetWindowsHandle(eTypeUserAdmin);
    if (!printer) return 0;
    SpoolerLock lock;
    if (SetPrinterA(printer, level, info, 0)) return 1;
    if (GetLastError() == ERROR_ACCESS_DENIED)
        ShowWarningMsg(WARNING_CAPTION, NO_RIGHTS_FOR_BIDI, MB_ICONEXCLAMATION);
    return 0;
}

unsigned int CPrinter::Enable(unsigned int on) {
    SpoolerLock lock;
    BYTE* block = GetPrinterInfo(2);
    if (!block) return 0;
    PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(block);
    if (on && IsPortSupported()) {
        info->Attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
    } else {
        info->Attributes &= ~static_cast<DWORD>(PRINTER_ATTRIBUTE_ENABLE_BIDI);
    }
    DWORD attributes = info->Attributes;
    unsigned int written = SetPrinterInfo(block, 2);
    ReleasePrinterInfo(block);
    if (!written) return 0;
    if (IsNT() || (attributes & PRINTER_ATTRIBUTE_DIRECT)) return 1;
    // The 9x port driver takes the change only with the next job, so an empty one is sent.
    HANDLE printer = GetWindowsHandle(eTypeUserAdmin);
    if (!printer) {
        std::printf("CPrinter::Enable return false for %s \n", m_printerName);
        return 0;
    }
    std::printf("Sending nul job to %s\n", m_printerName);
    char documentName[] = "";
    char dataType[] = "RAW";
    DOC_INFO_1A document = {documentName, NULL, dataType};
    StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&document));
    StartPagePrinter(printer);
    EndPagePrinter(printer);
    return EndDocPrinter(printer) ? 1 : 0;
}

unsigned int CPrinter::EnableLM(unsigned int on, const char* monitorName) {
    std::printf("EnableLM(%d)\n", static_cast<int>(on));
    if (!IsDeviceSupported()) return 1;
    SpoolerLock lock;
    CDriver driver;
    if (!driver.Init(GetWindowsHandle(eTypeUserAdmin))) {
        TraceFailed("Cannot init CDriver\n");
        return 0;
    }
    if (on && std::strcmp(driver.GetMonitorName(), DOT4_MONITOR_NAME) == 0) return Enable(1);
    if (!driver.SetMonitorName(on ? monitorName : NULL)) return 0;
    if (!AddPrinterDriverA(NULL, 3, reinterpret_cast<LPBYTE>(driver.GetInfo()))) {
        std::printf("Cannot AddPrinterDriver() error = %u\n", static_cast<unsigned int>(GetLastError()));
        return 0;
    }
    CDriver check;
    if (check.Init(GetWindowsHandle(eTypeUserAdmin))) {
        const char* now = check.GetMonitorName();
        if (on && CaseInsensitiveString(now) != (monitorName ? monitorName : "")) {
            std::printf("Error enabling LM. Cannot AddPrinterDriver() acc=%d, pMonitorName=%s\n",
                        eTypeUserAdmin, now);
        } else if (!on && now[0]) {
            std::printf("Error disabling LM. Cannot AddPrinterDriver() acc=%d, pMonitorName=%s\n",
                        eTypeUserAdmin, now);
        }
    }
    return Enable(on && IsPortSupported());
}

unsigned int CPrinter::DisableLM() {
    return EnableLM(0, DOT4_MONITOR_NAME);
}

long CPrinter::GetAddress(char* out, unsigned long size) const {
    long result = m_port.GetAddress(out, size);
    if (result != ERR_NOERROR) TraceFailedWith("port.GetAddress", result);
    return result;
}

const char* CPrinter::GetDeviceInstanceID() const {
    DeviceModelInit();
    return NULL;
}

void CPrinter::Dump() const {
    const CDeviceModel* model = Model();
    if (model) model->Dump();
}

long CPrinter::GetCardDriveLetter(char& drive) const {
    const CDeviceModel* model = Model();
    if (!model || !model->HasCard()) return ERROR_NOT_FOUND;
    CDevInfoSet portSet;
    CDeviceObject portDevice;
    long result = m_port.GetDevice(portSet, portDevice);
    if (result != ERR_NOERROR) {
        TraceFailedWith("port.GetDevice", result);
        return result;
    }
    CDeviceObject portAncestorDevice;
    result = FindTopMostAncestor(portDevice, *model, portAncestorDevice);
    if (result != ERR_NOERROR) {
        TraceFailedWith("FindTopMostAncestor", result);
        return result;
    }
    CaseInsensitiveString portAncestorId;
    result = portAncestorDevice.GetDeviceID(portAncestorId);
    if (result != ERR_NOERROR) {
        TraceFailedWith("portAncestorDevice.GetDeviceID", result);
        return result;
    }
    char found = FindRemovableDrive([&](char letter) {
        CDevInfoSet diskSet;
        CDeviceObject disk;
        if (GetDiskDevice(letter, diskSet, disk) != ERR_NOERROR) return false;
        CDeviceObject diskAncestor;
        CaseInsensitiveString diskAncestorId;
        return FindTopMostAncestor(disk, *model, diskAncestor) == ERR_NOERROR &&
               diskAncestor.GetDeviceID(diskAncestorId) == ERR_NOERROR &&
               SameDeviceID(diskAncestorId, portAncestorId);
    });
    if (!found) return ERROR_NOT_FOUND;
    drive = found;
    return ERR_NOERROR;
}

int CPrinter::ShowWarningMsg(const char* caption, const char* text, UINT style) {
    return MessageBoxA(NULL, text, caption, style);
}
