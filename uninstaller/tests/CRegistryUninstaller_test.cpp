// The registry uninstaller on Windows XP, 2000, NT 4, 98 and Me: the areas it searches with their filters,
// what it leaves of another vendor, the log, the failures and their texts.
#include "CRegistryUninstaller.h"

#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";
constexpr char kData[] =
    "[Scrubber.RegistryUninstaller]\r\nenabled=1\r\n"
    "[Scrubber.RegistryUninstaller.UserSettings]\r\n"
    "REVISION5=Software\\Corvanta\\Serie 300\r\n"
    "REVISION7=Software\\Corvanta\\Serie 500,Software\\Corvanta\\Serie 550\r\n"
    "[Scrubber.RegistryUninstaller.SoftwareClasses]\r\nREVISION7={3F2A7B10-5C4D-4E8F-9A01-B2C3D4E5F607}\r\n"
    "[Scrubber.RegistryUninstaller.SoftwareMfg]\r\nManufacturer=Corvanta\r\n1=Serie 500\r\n2= Serie 550 \r\n"
    "[Scrubber.RegistryUninstaller.SoftwareMicrosoft]\r\n1=Corvanta Serie 500\r\n"
    "REVISION7={7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}\r\n"
    "[Scrubber.RegistryUninstaller.ControlClass]\r\n1=QNVcoi07.dll\r\nREVISION6=QNVins06.dll\r\n"
    "[Scrubber.RegistryUninstaller.ControlCriticalDeviceDatabase]\r\n1=vid_0f1e&pid_0500\r\n"
    "[Scrubber.RegistryUninstaller.ControlInstalledFiles]\r\n1=QNVtwain.ds\r\n"
    "[Scrubber.RegistryUninstaller.ControlPrint]\r\n1=qnhDot4 Monitor V07\r\n2=Corvanta,Serie 500\r\n"
    "[Scrubber.RegistryUninstaller.PnPIDs]\r\n1=VID_0F1E&PID_0500\r\n2=VID_0F1E&PID_0550\r\n"
    "[Scrubber.RegistryUninstaller.Services]\r\n1=QNVPmSvc07\r\n";

// Keys and values of both families: the old generation's and another vendor's beside them.
constexpr char kCommonRegistry[] = R"(
[HKEY_USERS\S-1-5-21-1000\Software\Corvanta\Serie 500\Impostazioni]
"Lingua"="ita"
[HKEY_USERS\S-1-5-21-1000\Software\Corvanta\Serie 800]
[HKEY_USERS\S-1-5-21-1000\Software\Altro\Serie 500]
[HKEY_USERS\.DEFAULT\Software\Corvanta\Serie 300]
[HKEY_USERS\.DEFAULT\Software\Corvanta\Serie 400]
[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID\{3F2A7B10-5C4D-4E8F-9A01-B2C3D4E5F607}\InprocServer32]
@="C:\\WINDOWS\\system32\\QNVext07.dll"
[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID\{11111111-2222-3333-4444-555555555555}\InprocServer32]
@="C:\\Altro\\altro07.dll"
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\Serie 500\Install]
"Path"="C:\\Programmi\\Corvanta"
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\Serie 550]
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\Serie 5000]
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\Serie 800]
"Hub"="C:\\Programmi\\Corvanta\\QNVhub08.exe"
"Vecchio"="C:\\Programmi\\Corvanta\\QNVhub07.exe"
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\QNV08Tools\Dati]
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\QNV06Tools\Dati]
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\Tools\QNVscan05.exe]
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\QNZ\Glue]
"PreloadPath"="C:\\Programmi\\Corvanta\\Glue"
"Versione"="3"
[HKEY_LOCAL_MACHINE\SOFTWARE\Altro\QNV07]
"Hub"="C:\\Altro\\QNVhub07.exe"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Corvanta Serie 500]
"DisplayName"="Corvanta Serie 500"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Corvanta Serie 5000]
"DisplayName"="Corvanta Serie 5000"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Altro]
"DisplayName"="Altro 07"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run]
"QNV Hub"="C:\\Programmi\\Corvanta\\QNVhub07.exe"
"Altro Hub"="C:\\Altro\\hub07.exe"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs]
"C:\\WINDOWS\\system32\\QNVcoi07.dll"=dword:00000001
"C:\\WINDOWS\\system32\\ALTcoi07.dll"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Active Setup\Installed Components\{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Active Setup\Installed Components\{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E6070}]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\qnhDot4 Monitor V07\Ports]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Altro Monitor V07]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\Corvanta Serie 500]
"Port"="DOT4_001"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\Altro Serie 500]
"Driver"="Corvanta Serie 500"
"Port"="LPT1:"
)";

// The areas Windows NT searches.
constexpr char kNTRegistry[] = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{A0000000-0000-0000-0000-000000000001}]
"Class"="QNV07Scan"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{A0000000-0000-0000-0000-000000000002}]
"Class"="Dot4"
"Installer32"="qnvcoi07.dll,ClassInstall"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{A0000000-0000-0000-0000-000000000003}]
"Installer"="QNVins06.dll"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}]
"Class"="Printer"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}\0000]
"InfPath"="qnvprn07.inf"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}\0001]
"NTMPDriver"="QNVdot07.sys"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}\0002]
"InfPath"="altro07.inf"
"DriverDesc"="QNV Scanner 07"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}\0003]
"InfPath"="07.infQNV"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}\QNV07]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\usb#vid_0f1e&pid_0500]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\dot4#qnv_print_07]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\dot4#altro_07]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\usb#vid_1234&pid_0500]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{B0000000-0000-0000-0000-000000000001}\##?#USB#VID_0F1E&PID_0500#1#{B0000000-0000-0000-0000-000000000001}]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{B0000000-0000-0000-0000-000000000001}\##?#DOT4#2#{B0000000-0000-0000-0000-000000000001}]
"DeviceInstance"="DOT4\\VID_0F1E&PID_0550\\2"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{B0000000-0000-0000-0000-000000000001}\##?#DOT4#3#{B0000000-0000-0000-0000-000000000001}]
"DeviceInstance"="DOT4\\QNVDOT4PRINT\\3"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{B0000000-0000-0000-0000-000000000001}\##?#USB#VID_9999&PID_0001#4#{B0000000-0000-0000-0000-000000000001}]
"DeviceInstance"="USB\\VID_9999&PID_0001\\4"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Dot3\VID_0F1E&PID_0500]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Dot3\VID_9999&PID_0001]
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0F1E&PID_0500]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\InstalledFiles]
"QNVdot07.sys"="1"
)";

// The areas Windows 98 and Me search.
constexpr char k9xRegistry[] = R"(
[HKEY_LOCAL_MACHINE\Enum\USB\VID_0F1E&PID_0500\1]
"DeviceDesc"="Corvanta Serie 500"
[HKEY_LOCAL_MACHINE\Enum\USB\VID_9999&PID_0001\1]
[HKEY_LOCAL_MACHINE\Enum\DOT4\PRINT\1]
"DeviceInstance"="DOT4\\VID_0F1E&PID_0550\\1"
[HKEY_LOCAL_MACHINE\Enum\Root\Printer\0000]
"DeviceDesc"="Altro"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\ASD\Prob\QNVDOT4PRINT]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\ASD\Prob\ALTRO]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{B0000000-0000-0000-0000-000000000001}\##?#USB#VID_0F1E&PID_0500#1#{B0000000-0000-0000-0000-000000000001}]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{B0000000-0000-0000-0000-000000000001}\##?#USB#VID_9999&PID_0001#4#{B0000000-0000-0000-0000-000000000001}]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Class\QNV07Scan]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Class\Image\0000]
"InfPath"="QNVscn07.inf"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Class\Image\0001]
"InfPath"="altro.inf"
"Driver"="QNVPmSvc07.vxd"
"Altro"="altro.vxd"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Class\Dot4Print\0000]
"Dot4Driver"="dot4 port of QNV, revision 07"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\InstalledFiles]
"QNVdot07.sys"="1"
"QNVtwain.ds"="1"
"altro07.sys"="1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{A0000000-0000-0000-0000-000000000001}]
"Class"="QNV07Scan"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\usb#vid_0f1e&pid_0500]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup\OEM]
"Inf"="QNVx07.INF"
)";

// Present after the run on both families; "key|value" names a value.
const std::vector<std::string> kKeptEverywhere = {
    "HKEY_USERS\\S-1-5-21-1000\\Software\\Corvanta\\Serie 800",
    "HKEY_USERS\\S-1-5-21-1000\\Software\\Altro\\Serie 500",
    "HKEY_USERS\\.DEFAULT\\Software\\Corvanta\\Serie 400",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 5000",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 800|Hub",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\QNV08Tools\\Dati",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Tools",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\QNZ\\Glue|Versione",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro\\QNV07|Hub",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta Serie 5000",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Altro|DisplayName",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|Altro Hub",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs|C:\\WINDOWS\\system32\\ALTcoi07.dll",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Active Setup\\Installed "
    "Components\\{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E6070}",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Altro Monitor V07",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port\\Ports\\LPT1:|Description",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Altro Serie 500|Port",
};

// Gone after the run on both families.
const std::vector<std::string> kGoneEverywhere = {
    "HKEY_USERS\\S-1-5-21-1000\\Software\\Corvanta\\Serie 500",
    "HKEY_USERS\\.DEFAULT\\Software\\Corvanta\\Serie 300",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{3F2A7B10-5C4D-4E8F-9A01-B2C3D4E5F607}",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 500",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 550",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 800|Vecchio",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\QNV06Tools",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Tools\\QNVscan05.exe",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\QNZ\\Glue|PreloadPath",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta Serie 500",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|QNV Hub",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs|C:\\WINDOWS\\system32\\QNVcoi07.dll",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Active Setup\\Installed "
    "Components\\{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\qnhDot4 Monitor V07",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Corvanta Serie 500",
    // Another vendor's printer that uses the old driver loses that value.
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Altro Serie 500|Driver",
};

const std::string kClass = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::string kPrinterClass = kClass + "{4D36E979-E325-11CE-BFC1-08002BE10318}\\";
const std::string kCriticalDevices = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\";
const std::string kDeviceClass =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{B0000000-0000-0000-0000-000000000001}\\";
const std::string kInstalledFiles = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\InstalledFiles";
const std::string kServicesClass = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\";

const std::vector<std::string> kKeptOnNT = {
    kPrinterClass + "0002|InfPath",
    kPrinterClass + "0002|DriverDesc",
    kPrinterClass + "0003",
    kCriticalDevices + "dot4#altro_07",
    kCriticalDevices + "usb#vid_1234&pid_0500",
    kDeviceClass + "##?#USB#VID_9999&PID_0001#4#{B0000000-0000-0000-0000-000000000001}",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Dot3\\VID_9999&PID_0001",
    // Areas of Windows 9x only.
    "HKEY_LOCAL_MACHINE\\Enum\\USB\\VID_0F1E&PID_0500",
    kInstalledFiles + "|QNVdot07.sys",
};
const std::vector<std::string> kGoneOnNT = {
    kClass + "{A0000000-0000-0000-0000-000000000001}",
    kClass + "{A0000000-0000-0000-0000-000000000002}",
    kClass + "{A0000000-0000-0000-0000-000000000003}",
    kPrinterClass + "0000",
    kPrinterClass + "0001",
    kPrinterClass + "QNV07",
    kCriticalDevices + "usb#vid_0f1e&pid_0500",
    kCriticalDevices + "dot4#qnv_print_07",
    kDeviceClass + "##?#USB#VID_0F1E&PID_0500#1#{B0000000-0000-0000-0000-000000000001}",
    kDeviceClass + "##?#DOT4#2#{B0000000-0000-0000-0000-000000000001}",
    kDeviceClass + "##?#DOT4#3#{B0000000-0000-0000-0000-000000000001}",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Dot3\\VID_0F1E&PID_0500",
};
const std::vector<std::string> kKeptOn9x = {
    "HKEY_LOCAL_MACHINE\\Enum\\USB\\VID_9999&PID_0001\\1",
    "HKEY_LOCAL_MACHINE\\Enum\\Root\\Printer\\0000",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ASD\\Prob\\ALTRO",
    kDeviceClass + "##?#USB#VID_9999&PID_0001#4#{B0000000-0000-0000-0000-000000000001}",
    kServicesClass + "Image\\0001|Altro",
    kServicesClass + "Dot4Print\\0000",
    kInstalledFiles + "|altro07.sys",
    // Areas of Windows NT only.
    kClass + "{A0000000-0000-0000-0000-000000000001}",
    kCriticalDevices + "usb#vid_0f1e&pid_0500",
};
const std::vector<std::string> kGoneOn9x = {
    "HKEY_LOCAL_MACHINE\\Enum\\USB\\VID_0F1E&PID_0500",
    "HKEY_LOCAL_MACHINE\\Enum\\DOT4\\PRINT\\1",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ASD\\Prob\\QNVDOT4PRINT",
    kDeviceClass + "##?#USB#VID_0F1E&PID_0500#1#{B0000000-0000-0000-0000-000000000001}",
    kServicesClass + "QNV07Scan",
    kServicesClass + "Image\\0000",
    kServicesClass + "Image\\0001|Driver",
    kServicesClass + "Dot4Print\\0000|Dot4Driver",
    kInstalledFiles + "|QNVdot07.sys",
    kInstalledFiles + "|QNVtwain.ds",
    // Windows 9x also matches the maker's INF files below the Microsoft key.
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\OEM|Inf",
};

// Whether the key, or with "key|value" the value, exists.
bool Exists(const std::string& path) {
    std::string key = path, value;
    bool isValue = false;
    if (std::string::size_type bar = path.find('|'); bar != std::string::npos) {
        key = path.substr(0, bar);
        value = path.substr(bar + 1);
        isValue = true;
    }
    std::string::size_type slash = key.find('\\');
    HKEY root = key.substr(0, slash) == "HKEY_USERS" ? HKEY_USERS : HKEY_LOCAL_MACHINE;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.substr(slash + 1).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    bool exists = !isValue || RegQueryValueExA(handle, value.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                                  ERROR_SUCCESS;
    RegCloseKey(handle);
    return exists;
}

class RegistryUninstallerTest : public UninstallerTest {
  protected:
    void SetUp() override {
        UninstallerTest::SetUp();
        DIVISION = "QNV";
        FIRST_IO_REVISION = FIRST_CA_REVISION = 5;
        LAST_IO_REVISION = LAST_CA_REVISION = 7;
        gDATFileName = kDataFile;
        gRevisionKeywords[7] = {"QNVDOT4"};
    }
    // Runs the uninstaller as the engine does, with its output.
    static void Run(CRegistryUninstaller& uninstaller, std::string* output = nullptr) {
        platform::StdoutCapture capture;
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        uninstaller.Delete();
        if (output) *output = capture.Take();
    }
    static void ExpectKept(const std::vector<std::string>& paths, const char* os) {
        for (const std::string& path : paths) EXPECT_TRUE(Exists(path)) << os << " lost " << path;
    }
    static void ExpectGone(const std::vector<std::string>& paths, const char* os) {
        for (const std::string& path : paths) EXPECT_FALSE(Exists(path)) << os << " kept " << path;
    }
};

TEST_F(RegistryUninstallerTest, AreasAndFiltersPerWindowsVersion) {
    struct Row {
        const char* name;
        platform::OsKind os;
    } rows[] = {
        {"XP", platform::OsKind::WindowsXP},      {"2000", platform::OsKind::Windows2000},
        {"NT 4", platform::OsKind::WindowsNT4},   {"98", platform::OsKind::Windows98},
        {"Me", platform::OsKind::WindowsMe},
    };
    for (const Row& row : rows) {
        Reset();
        SetUp();
        platform::TestMachine machine(row.os);
        bool nt = row.os == platform::OsKind::WindowsXP || row.os == platform::OsKind::Windows2000 ||
                  row.os == platform::OsKind::WindowsNT4;
        machine.File(kDataFile, kData).Registry(kCommonRegistry).Registry(nt ? kNTRegistry : k9xRegistry);
        CRegistryUninstaller uninstaller(nullptr);
        std::string output;
        Run(uninstaller, &output);
        EXPECT_EQ(Strings(uninstaller.GetErrorList()), std::vector<std::string>()) << row.name;
        ExpectKept(kKeptEverywhere, row.name);
        ExpectGone(kGoneEverywhere, row.name);
        ExpectKept(nt ? kKeptOnNT : kKeptOn9x, row.name);
        ExpectGone(nt ? kGoneOnNT : kGoneOn9x, row.name);
        EXPECT_EQ(gRestartNeeded, 0u) << row.name;
    }
}

}  // namespace
