// The registry uninstaller on Windows XP, 2000, NT 4, 98 and Me: the areas it searches with their filters,
// what it leaves of another vendor, the log, the failures and their texts.
#include "CRegistryUninstaller.h"

#include <string>
#include <vector>

#include "CUninstallerProgress.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"
#include "resource.h"

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
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs|C:"
    "\\WINDOWS\\system32\\ALTcoi07.dll",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Active Setup\\Installed "
    "Components\\{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E6070}",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Altro Monitor V07",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local "
    "Port\\Ports\\LPT1:|Description",
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
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs|C:"
    "\\WINDOWS\\system32\\QNVcoi07.dll",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Active Setup\\Installed "
    "Components\\{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\qnhDot4 Monitor V07",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Corvanta Serie 500",
    // Another vendor's printer that uses the old driver loses that value.
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Altro Serie 500|Driver",
};

const std::string kClass = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::string kPrinterClass = kClass + "{4D36E979-E325-11CE-BFC1-08002BE10318}\\";
const std::string kCriticalDevices =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\";
const std::string kDeviceClass =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{B0000000-0000-0000-0000-"
    "000000000001}\\";
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
    if (RegOpenKeyExA(root, key.substr(slash + 1).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
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
        {"XP", platform::OsKind::WindowsXP},    {"2000", platform::OsKind::Windows2000},
        {"NT 4", platform::OsKind::WindowsNT4}, {"98", platform::OsKind::Windows98},
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

TEST_F(RegistryUninstallerTest, LogsEveryDeletionInSearchOrder) {
    platform::TestMachine machine;
    machine.File(kDataFile, kData).Registry(R"(
[HKEY_USERS\S-1-5-21-1000\Software\Corvanta\Serie 550\Opzioni]
[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID\{3F2A7B10-5C4D-4E8F-9A01-B2C3D4E5F607}]
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\Serie 500]
[HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta\QNZ\Glue]
"PreloadPath"="C:\\Glue"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run]
"QNV Hub"="C:\\QNVhub07.exe"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\dot4#qnv_print_07]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\qnhDot4 Monitor V07\Ports]
)");
    CRegistryUninstaller uninstaller(nullptr);
    std::string output;
    Run(uninstaller, &output);
    const std::string run = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string monitor =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\qnhDot4 "
        "Monitor V07";
    EXPECT_EQ(
        Strings(uninstaller.GetLogList()),
        (std::vector<std::string>{
            "Deleted key= HKEY_USERS\\S-1-5-21-1000\\Software\\Corvanta\\Serie 550\\Opzioni\r\n",
            "Deleted key= HKEY_USERS\\S-1-5-21-1000\\Software\\Corvanta\\Serie 550\r\n",
            "Deleted key= HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\"
            "{3F2A7B10-5C4D-4E8F-9A01-B2C3D4E5F607}\r\n",
            "Deleted key= HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 500\r\n",
            "Deleted value=SOFTWARE\\Corvanta\\QNZ\\Glue,PreloadPath\r\n",
            "Deleted value= " + run + ",QNV Hub\r\n",
            "Deleted key= HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\"
            "dot4#qnv_print_07\r\n",
            "Deleted key= " + monitor + "\\Ports\r\n",
            "Deleted key= " + monitor + "\r\n",
        }));
    // The revisions without user settings or classes say so; nothing else is traced.
    EXPECT_EQ(output,
              "LoadStringListFromValue(Scrubber.RegistryUninstaller.UserSettings,REVISION6) failed\n"
              "LoadStringListFromValue(Scrubber.RegistryUninstaller.SoftwareClasses,REVISION5) failed\n"
              "LoadStringListFromValue(Scrubber.RegistryUninstaller.SoftwareClasses,REVISION6) failed\n"
              "LoadStringListFromValue(Scrubber.RegistryUninstaller.SoftwareMicrosoft,REVISION5) failed\n"
              "LoadStringListFromValue(Scrubber.RegistryUninstaller.SoftwareMicrosoft,REVISION6) failed\n"
              "LoadStringListFromValue(Scrubber.RegistryUninstaller.ControlClass,REVISION5) failed\n"
              "LoadStringListFromValue(Scrubber.RegistryUninstaller.ControlClass,REVISION7) failed\n");
    EXPECT_TRUE(uninstaller.GetErrorList().empty());
}

TEST_F(RegistryUninstallerTest, SiblingsMovingIntoADeletedIndexAreTestedToo) {
    platform::TestMachine machine;
    machine
        .File(kDataFile,
              "[Scrubber.RegistryUninstaller]\r\nenabled=1\r\n"
              "[Scrubber.RegistryUninstaller.ControlCriticalDeviceDatabase]\r\n1=qnv\r\n")
        .Registry(R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\a_qnv_1]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\b_qnv_2\Sotto]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\c_qnv_3]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\d_altro]
"Uno"="qnv1"
"Due"="qnv2"
"Tre"="altro"
"Quattro"="qnv4"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CriticalDeviceDatabase\e_qnv_5]
)");
    CRegistryUninstaller uninstaller(nullptr);
    Run(uninstaller);
    EXPECT_EQ(machine.ExportRegistry(
                  "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase"),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_"
              "MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\d_altro]\r\n"
              "\"Tre\"=\"altro\"\r\n\r\n");
    EXPECT_EQ(uninstaller.GetLogList().size(), 8u);
}

TEST_F(RegistryUninstallerTest, WithoutSharedCleanupOnlyTheRevisionsSelect) {
    platform::TestMachine machine;
    machine.File(kDataFile, kData).Registry(kCommonRegistry).Registry(kNTRegistry);
    gSharedCleanup = 0;
    CRegistryUninstaller uninstaller(nullptr);
    Run(uninstaller);
    ExpectKept(
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 500",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta Serie 500",
         // The print keys are not searched at all, not even for the revision names.
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\qnhDot4 Monitor V07",
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Corvanta Serie 500"},
        "XP");
    ExpectGone({"HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\QNV06Tools",
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|QNV Hub",
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Active Setup\\Installed "
                "Components\\{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}",
                kCriticalDevices + "usb#vid_0f1e&pid_0500", kPrinterClass + "0000"},
               "XP");
}

// Items made only of blanks or separators add no pattern: they would select every key of the area.
TEST_F(RegistryUninstallerTest, ItemsWithoutTokensSelectNothing) {
    platform::TestMachine machine;
    machine
        .File(kDataFile,
              "[Scrubber.RegistryUninstaller]\r\nenabled=1\r\n"
              "[Scrubber.RegistryUninstaller.SoftwareMfg]\r\nManufacturer=Corvanta\r\n1=,\t,\r\n2= , \r\n"
              "[Scrubber.RegistryUninstaller.SoftwareMicrosoft]\r\n1=,,\r\n2=   \r\n"
              "[Scrubber.RegistryUninstaller.ControlCriticalDeviceDatabase]\r\n1=   \r\n"
              "[Scrubber.RegistryUninstaller.ControlPrint]\r\n1=, ,\r\n2=\t\r\n"
              "[Scrubber.RegistryUninstaller.PnPIDs]\r\n1=  \r\n")
        .Registry(kCommonRegistry)
        .Registry(kNTRegistry);
    FIRST_IO_REVISION = FIRST_CA_REVISION = 1;
    LAST_IO_REVISION = LAST_CA_REVISION = 0;
    gRevisionKeywords.clear();
    std::string before = machine.ExportRegistry();
    // The maker's preload path goes whatever the patterns.
    const std::string preload = "\"PreloadPath\"=\"C:\\\\Programmi\\\\Corvanta\\\\Glue\"\r\n";
    ASSERT_NE(before.find(preload), std::string::npos);
    before.erase(before.find(preload), preload.size());
    CRegistryUninstaller uninstaller(nullptr);
    Run(uninstaller);
    EXPECT_EQ(machine.ExportRegistry(), before);
    EXPECT_EQ(Strings(uninstaller.GetLogList()),
              std::vector<std::string>{"Deleted value=SOFTWARE\\Corvanta\\QNZ\\Glue,PreloadPath\r\n"});
}

TEST_F(RegistryUninstallerTest, AccessDeniedSubkeysAreSkipped) {
    platform::TestMachine machine;
    machine.File(kDataFile, kData).Registry(kCommonRegistry).Registry(kNTRegistry).Registry(R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{B0000000-0000-0000-0000-000000000000}\##?#USB#VID_0F1E&PID_0550#9#{B0000000-0000-0000-0000-000000000000}]
)");
    const std::string locked =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
        "{B0000000-0000-0000-0000-000000000000}";
    const std::string unlisted =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    machine.Fault(platform::fault_target::kRegistry, locked, "open", ERROR_ACCESS_DENIED)
        .Fault(platform::fault_target::kRegistry, unlisted, "enum", ERROR_ACCESS_DENIED);
    CRegistryUninstaller uninstaller(nullptr);
    std::string output;
    Run(uninstaller, &output);
    EXPECT_TRUE(uninstaller.GetErrorList().empty());
    EXPECT_EQ(output.find("when"), std::string::npos) << output;
    machine.ClearFaults();
    // What lies below the refused keys stays; their siblings are searched as before.
    ExpectKept({locked + "\\##?#USB#VID_0F1E&PID_0550#9#{B0000000-0000-0000-0000-000000000000}",
                unlisted + "\\Corvanta Serie 500"},
               "XP");
    ExpectGone({kDeviceClass + "##?#USB#VID_0F1E&PID_0500#1#{B0000000-0000-0000-0000-000000000001}",
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|QNV Hub"},
               "XP");
}

// Each failure is reported with the text of the call's own result, whatever the last error was before.
TEST_F(RegistryUninstallerTest, FailuresReportTheTextOfTheirOwnResult) {
    const std::string cdd = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase";
    const std::string run = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    std::string denied, busy, invalid;
    {
        platform::TestMachine machine;
        denied = ErrorText(ERROR_ACCESS_DENIED);
        busy = ErrorText(ERROR_BUSY);
        invalid = ErrorText(ERROR_INVALID_HANDLE);
    }
    struct Row {
        const char* name;
        std::string object, operation;
        DWORD error;
        std::vector<std::string> errors;
        std::string output;
        std::vector<std::string> kept, gone;
    } rows[] = {
        {"key refused",
         cdd + "\\dot4#qnv_print_07",
         "deletekey",
         ERROR_ACCESS_DENIED,
         {denied + " when RegDeleteKey " + cdd + "\\dot4#qnv_print_07\r\n",
          denied + " when RegDeleteSubKey " + cdd + "\\dot4#qnv_print_07\r\n"},
         denied + " when RegDeleteKey " + cdd + "\\dot4#qnv_print_07\n" + "RegDeleteKey failed with " +
             denied + "\n" + denied + " when RegDeleteSubKey " + cdd + "\\dot4#qnv_print_07\n",
         {cdd + "\\dot4#qnv_print_07"},
         // The search goes on with the next subkey.
         {cdd + "\\usb#vid_0f1e&pid_0500"}},
        {"key not opened",
         cdd + "\\usb#vid_0f1e&pid_0500",
         "open",
         ERROR_BUSY,
         {busy + " when OpenRegSecureKey " + cdd + "\\usb#vid_0f1e&pid_0500\r\n",
          busy + " when RegDeleteSubKey " + cdd + "\\usb#vid_0f1e&pid_0500\r\n"},
         "RegOpenKeyEx failed with " + busy + "\n" + busy + " when OpenRegSecureKey " + cdd +
             "\\usb#vid_0f1e&pid_0500\n" + "OpenRegSecureKey failed with " + busy + "\n" + busy +
             " when RegDeleteSubKey " + cdd + "\\usb#vid_0f1e&pid_0500\n",
         {cdd + "\\usb#vid_0f1e&pid_0500"},
         {cdd + "\\dot4#qnv_print_07"}},
        {"value refused",
         run,
         "deletevalue",
         ERROR_BUSY,
         {busy + " when RegDeleteValue " + run + ",QNV Hub\r\n"},
         busy + " when RegDeleteValue " + run + ",QNV Hub\n" + "RegDeleteValue failed with " + busy + "\n",
         {run + "|QNV Hub"},
         {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta Serie 500"}},
        // A subkey that cannot be opened for another reason ends the search of its area.
        {"search ended",
         cdd + "\\dot4#altro_07",
         "open",
         ERROR_INVALID_HANDLE,
         {invalid + " when RegOpenKeyEx " + cdd + "\\dot4#altro_07\r\n"},
         invalid + " when RegOpenKeyEx " + cdd + "\\dot4#altro_07\n",
         // The subkeys after it stay; the next area is searched.
         {cdd + "\\dot4#qnv_print_07", cdd + "\\usb#vid_0f1e&pid_0500"},
         {kDeviceClass + "##?#DOT4#2#{B0000000-0000-0000-0000-000000000001}"}},
    };
    for (const Row& row : rows) {
        Reset();
        SetUp();
        platform::TestMachine machine;
        machine.File(kDataFile, kData).Registry(kCommonRegistry).Registry(kNTRegistry);
        machine.Fault(platform::fault_target::kRegistry, row.object, row.operation, row.error);
        // A stale last error whose text must not appear.
        SetLastError(ERROR_FILE_NOT_FOUND);
        CRegistryUninstaller uninstaller(nullptr);
        std::string output;
        Run(uninstaller, &output);
        EXPECT_EQ(Strings(uninstaller.GetErrorList()), row.errors) << row.name;
        std::string traced;
        for (std::string::size_type start = 0; start < output.size();) {
            std::string::size_type end = output.find('\n', start);
            std::string line = output.substr(start, end - start + 1);
            if (line.rfind("LoadStringListFromValue", 0) != 0) traced += line;
            start = end + 1;
        }
        EXPECT_EQ(traced, row.output) << row.name;
        machine.ClearFaults();
        ExpectKept(row.kept, row.name);
        ExpectGone(row.gone, row.name);
    }
}

TEST_F(RegistryUninstallerTest, ProgressShowsEachVisitedKey) {
    platform::TestMachine machine;
    machine.File(kDataFile,
                 "[Scrubber.RegistryUninstaller]\r\nenabled=1\r\n"
                 "[Scrubber.RegistryUninstaller.ControlPrint]\r\n1=qnhDot4 Monitor V07\r\n");
    FIRST_IO_REVISION = FIRST_CA_REVISION = 1;
    LAST_IO_REVISION = LAST_CA_REVISION = 0;
    gSilent = 1;
    CUninstallerProgress progress;
    ASSERT_TRUE(progress.Create(IDD_PROGRESS));
    CRegistryUninstaller uninstaller(&progress);
    Run(uninstaller);
    HWND hDialog = progress.GetDialogWindow();
    char status[MAX_PATH] = "";
    GetWindowTextA(GetDlgItem(hDialog, IDC_STATUS), status, MAX_PATH);
    // The print keys come last; the last key visited is the deepest of their last subkey.
    EXPECT_EQ(std::string(status),
              "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\LanMan Print "
              "Services\\Servers");
    // Visits below the area's first level count too, so the share reaches the end of the bar.
    EXPECT_EQ(SendMessageA(GetDlgItem(hDialog, IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    progress.DestroyWindow();
}

}  // namespace
