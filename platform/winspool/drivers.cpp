// Printer drivers per environment: enumeration, a printer's driver, adding and deleting drivers, and the
// folder that holds their files.
//
// Windows NT files its drivers by version (Version-3 for user-mode drivers, Version-2 for the kernel-mode
// drivers of Windows NT 4, Version-0 for the drivers it keeps for Windows 9x clients) and keeps their
// files in <system>\spool\DRIVERS\<W32X86 or WIN40>\<version>; Windows 9x files them directly under its
// one environment and keeps their files in the system folder. The registry holds the files' names, the
// calls answer full paths.
#include "platform/machine/text.h"
#include "platform/winspool/spooler.h"

namespace platform::spooler {

namespace {

struct DriverRecord {
    std::string name;
    std::string environment;
    DWORD version = 0;
    std::string driverPath, dataFile, configFile;
    std::optional<std::string> helpFile, monitor, datatype;
    std::optional<std::string> dependentFiles;  // a REG_MULTI_SZ block with its final terminator
};

// The environment's canonical name, the system's own for a null or empty one; nothing for an environment
// this system does not know.
std::optional<std::string> ResolveEnvironment(LPCSTR environment) {
    if (!environment || !*environment) return std::string(SystemEnvironment());
    if (EqualsNoCase(environment, kEnvironment9x)) return std::string(kEnvironment9x);
    if (IsNT() && EqualsNoCase(environment, kEnvironmentNT)) return std::string(kEnvironmentNT);
    return std::nullopt;
}

std::string DriversKey(const std::string& environment) {
    return std::string(kPrintKey) + "\\Environments\\" + environment + "\\Drivers";
}

// The keys drivers of the environment are filed under, with their version, newest first.
std::vector<std::pair<std::string, DWORD>> DriverFolders(const std::string& environment) {
    std::string drivers = DriversKey(environment);
    if (!IsNT()) return {{drivers, 0}};
    if (environment == kEnvironment9x) return {{drivers + "\\Version-0", 0}};
    return {{drivers + "\\Version-3", 3}, {drivers + "\\Version-2", 2}};
}

// The folder that holds the environment's driver files: the system folder on Windows 9x, the
// environment's folder below the spooler's driver folder on Windows NT.
std::string DriverDirectory(const std::string& environment) {
    const std::string& system = Machine::Current().settings().systemFolder;
    if (!IsNT()) return system;
    const char* architecture = environment == kEnvironment9x ? "WIN40" : "W32X86";
    return system + "\\spool\\DRIVERS\\" + architecture;
}

std::string FileFolder(const std::string& environment, DWORD version) {
    if (!IsNT()) return DriverDirectory(environment);
    return DriverDirectory(environment) + "\\" + std::to_string(version);
}

std::optional<DriverRecord> ReadDriver(const std::string& folderKey, DWORD version, const std::string& name,
                                       const std::string& environment) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, folderKey + "\\" + name) != ERROR_SUCCESS) return std::nullopt;
    std::string folder = FileFolder(environment, version) + "\\";
    auto path = [&](const char* value) -> std::optional<std::string> {
        std::optional<std::string> file = key.String(value);
        if (!file || file->empty()) return file;
        return folder + *file;
    };
    DriverRecord driver;
    driver.name = name;
    driver.environment = environment;
    driver.version = IsNT() ? version : key.Dword("Version").value_or(0);
    driver.driverPath = path("Driver").value_or("");
    driver.dataFile = path("Data File").value_or("");
    driver.configFile = path("Configuration File").value_or("");
    driver.helpFile = path("Help File");
    driver.monitor = key.String("Monitor");
    driver.datatype = key.String("Datatype");
    if (auto files = key.Strings("Dependent Files")) {
        std::string block;
        for (const std::string& file : *files) {
            block += folder + file;
            block.push_back('\0');
        }
        block.push_back('\0');
        driver.dependentFiles = block;
    }
    return driver;
}

std::optional<DriverRecord> FindDriver(std::string_view name, const std::string& environment) {
    for (const auto& [folderKey, version] : DriverFolders(environment)) {
        if (auto driver = ReadDriver(folderKey, version, std::string(name), environment)) return driver;
    }
    return std::nullopt;
}

std::vector<DriverRecord> AllDrivers(const std::string& environment) {
    std::vector<DriverRecord> drivers;
    for (const auto& [folderKey, version] : DriverFolders(environment)) {
        RegistryKey folder;
        if (folder.Open(HKEY_LOCAL_MACHINE, folderKey) != ERROR_SUCCESS) continue;
        for (const std::string& name : folder.Subkeys()) {
            if (auto driver = ReadDriver(folderKey, version, name, environment)) drivers.push_back(*driver);
        }
    }
    return drivers;
}

BOOL PackDrivers(std::string_view call, DWORD level, const std::vector<DriverRecord>& drivers, LPBYTE buffer,
                 DWORD size, LPDWORD needed, LPDWORD returned) {
    auto fillSecond = [](auto& record, const DriverRecord& driver, StringArea& strings) {
        record.cVersion = driver.version;
        record.pName = strings.Place(driver.name);
        record.pEnvironment = strings.Place(driver.environment);
        record.pDriverPath = strings.Place(driver.driverPath);
        record.pDataFile = strings.Place(driver.dataFile);
        record.pConfigFile = strings.Place(driver.configFile);
    };
    switch (level) {
        case 1:
            return PackRecords<DRIVER_INFO_1A>(
                call, drivers,
                [](DRIVER_INFO_1A& record, const DriverRecord& driver, StringArea& strings) {
                    record.pName = strings.Place(driver.name);
                },
                buffer, size, needed, returned);
        case 2:
            return PackRecords<DRIVER_INFO_2A>(call, drivers, fillSecond, buffer, size, needed, returned);
        default:
            return PackRecords<DRIVER_INFO_3A>(
                call, drivers,
                [&](DRIVER_INFO_3A& record, const DriverRecord& driver, StringArea& strings) {
                    fillSecond(record, driver, strings);
                    record.pHelpFile = strings.Place(driver.helpFile ? &*driver.helpFile : nullptr);
                    record.pDependentFiles =
                        driver.dependentFiles
                            ? strings.Place(driver.dependentFiles->data(), driver.dependentFiles->size())
                            : nullptr;
                    record.pMonitorName = strings.Place(driver.monitor ? &*driver.monitor : nullptr);
                    record.pDefaultDataType = strings.Place(driver.datatype ? &*driver.datatype : nullptr);
                },
                buffer, size, needed, returned);
    }
}

bool LevelExists(DWORD level) {
    return level >= 1 && level <= 3;
}

// The names of a REG_MULTI_SZ block, each without its folder.
std::vector<std::string> FileNames(LPCSTR block) {
    std::vector<std::string> names;
    for (LPCSTR file = block; file && *file; file += std::strlen(file) + 1) names.push_back(FileNameOf(file));
    return names;
}

}  // namespace

bool DriverExists(std::string_view driverName, const char* environment) {
    return FindDriver(driverName, environment).has_value();
}

}  // namespace platform::spooler

using namespace platform::spooler;

extern "C" BOOL WINAPI EnumPrinterDriversA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                           DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (pcbNeeded) *pcbNeeded = 0;
    if (pcReturned) *pcReturned = 0;
    if (DWORD error = CallFault("EnumPrinterDriversA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    if (!LevelExists(Level)) return Fail(ERROR_INVALID_LEVEL);
    std::optional<std::string> environment = ResolveEnvironment(pEnvironment);
    if (!environment) return Fail(ERROR_INVALID_ENVIRONMENT);
    return PackDrivers("EnumPrinterDriversA", Level, AllDrivers(*environment), pDriverInfo, cbBuf, pcbNeeded,
                       pcReturned);
}

extern "C" BOOL WINAPI GetPrinterDriverA(HANDLE hPrinter, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                         DWORD cbBuf, LPDWORD pcbNeeded) {
    if (pcbNeeded) *pcbNeeded = 0;
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("GetPrinterDriverA")) return Fail(error);
    if (!LevelExists(Level)) return Fail(ERROR_INVALID_LEVEL);
    std::optional<std::string> environment = ResolveEnvironment(pEnvironment);
    if (!environment) return Fail(ERROR_INVALID_ENVIRONMENT);
    PrinterRecord printer;
    if (DWORD error = ReadPrinter(handle->name, printer)) return Fail(error);
    std::optional<DriverRecord> driver = FindDriver(printer.driver, *environment);
    if (!driver) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
    DWORD returned = 0;
    return PackDrivers("GetPrinterDriverA", Level, {*driver}, pDriverInfo, cbBuf, pcbNeeded, &returned);
}

extern "C" BOOL WINAPI AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo) {
    if (DWORD error = CallFault("AddPrinterDriverA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    if (Level != 2 && Level != 3) return Fail(ERROR_INVALID_LEVEL);
    if (!pDriverInfo) return Fail(ERROR_INVALID_PARAMETER);
    // Level 2 is the start of level 3.
    DRIVER_INFO_3A info{};
    std::memcpy(&info, pDriverInfo, Level == 3 ? sizeof(DRIVER_INFO_3A) : sizeof(DRIVER_INFO_2A));
    auto given = [](LPCSTR text) { return text && *text; };
    if (!given(info.pName) || !given(info.pDriverPath) || !given(info.pDataFile) || !given(info.pConfigFile))
        return Fail(ERROR_INVALID_PARAMETER);
    std::optional<std::string> environment = ResolveEnvironment(info.pEnvironment);
    if (!environment) return Fail(ERROR_INVALID_ENVIRONMENT);
    if (Restricted()) return Fail(ERROR_ACCESS_DENIED);
    std::string folderKey = DriversKey(*environment);
    if (IsNT()) {
        DWORD version = *environment == kEnvironment9x ? 0 : info.cVersion;
        if (*environment == kEnvironmentNT && version != 2 && version != 3)
            return Fail(ERROR_INVALID_PARAMETER);
        folderKey += "\\Version-" + std::to_string(version);
    }
    RegistryKey key;
    if (LONG error = key.Create(HKEY_LOCAL_MACHINE, folderKey + "\\" + info.pName)) return Fail(error);
    auto file = [](LPCSTR path) { return path && *path ? std::optional(FileNameOf(path)) : std::nullopt; };
    std::optional<std::string> helpFile = file(info.pHelpFile);
    std::string driverFile = FileNameOf(info.pDriverPath), dataFile = FileNameOf(info.pDataFile),
                configFile = FileNameOf(info.pConfigFile);
    // A driver added again is replaced whole: what the new one does not name is removed.
    const std::pair<const char*, const char*> values[] = {
        {"Driver", driverFile.c_str()},
        {"Data File", dataFile.c_str()},
        {"Configuration File", configFile.c_str()},
        {"Help File", helpFile ? helpFile->c_str() : nullptr},
        {"Monitor", info.pMonitorName},
        {"Datatype", info.pDefaultDataType},
    };
    for (const auto& [name, text] : values) {
        if (LONG error = key.SetString(name, text)) return Fail(error);
    }
    LONG error = info.pDependentFiles ? key.SetStrings("Dependent Files", FileNames(info.pDependentFiles))
                                      : key.SetString("Dependent Files", nullptr);
    if (error) return Fail(error);
    if (LONG error = key.SetDword("Version", IsNT() ? info.cVersion : 0)) return Fail(error);
    return TRUE;
}

extern "C" BOOL WINAPI DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName) {
    if (DWORD error = CallFault("DeletePrinterDriverA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    if (!pDriverName || !*pDriverName) return Fail(ERROR_INVALID_PARAMETER);
    std::optional<std::string> environment = ResolveEnvironment(pEnvironment);
    if (!environment) return Fail(ERROR_INVALID_ENVIRONMENT);
    if (Restricted()) return Fail(ERROR_ACCESS_DENIED);
    if (!FindDriver(pDriverName, *environment)) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
    if (*environment == SystemEnvironment()) {
        for (const std::string& name : LocalPrinterNames()) {
            PrinterRecord printer;
            if (ReadPrinter(name, printer) == ERROR_SUCCESS &&
                platform::EqualsNoCase(printer.driver, pDriverName))
                return Fail(ERROR_PRINTER_DRIVER_IN_USE);
        }
    }
    for (const auto& [folderKey, version] : DriverFolders(*environment)) {
        LONG error = RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, folderKey + "\\" + pDriverName);
        if (error && error != ERROR_FILE_NOT_FOUND) return Fail(error);
    }
    return TRUE;
}

extern "C" BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR pName, LPSTR pEnvironment, DWORD Level,
                                                  LPBYTE pDriverDirectory, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (DWORD error = CallFault("GetPrinterDriverDirectoryA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    if (!pcbNeeded) return Fail(ERROR_INVALID_PARAMETER);
    std::optional<std::string> environment = ResolveEnvironment(pEnvironment);
    if (!environment) return Fail(ERROR_INVALID_ENVIRONMENT);
    std::string folder = DriverDirectory(*environment);
    // The size counts the terminating zero; a buffer too small is left untouched.
    *pcbNeeded = static_cast<DWORD>(folder.size() + 1);
    if (!pDriverDirectory || cbBuf < *pcbNeeded) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(pDriverDirectory, folder.c_str(), folder.size() + 1);
    return TRUE;
}
