// The IO uninstaller: which devices the device test removes on Windows XP, 2000 and NT 4 (through the
// class installer) and on 98 and Me (SetupDiRemoveDevice), the restart a removal asks for, the maker's
// services, the legacy classes, and the failure traces.
#include "CIOUninstaller.h"

#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"
#include "setupapi.h"
#include "winsvc.h"

namespace {

using platform::OsKind;

constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";
constexpr char kData[] =
    "[Scrubber.IOUninstaller]\r\nenabled=1\r\n1=Corvanta Serie 700\r\n2=  \r\n"
    "KnownClasses=Printer,Dot4,Image\r\nLegacyClasses=Dot4Print\r\n"
    "REVISION5=Image,Dot4\r\nREVISION6=USB\r\nServices=QNVdot07\r\n";

constexpr char kPrinterGuid[] = "{4D36E979-E325-11CE-BFC1-08002BE10318}";
constexpr char kDot4Guid[] = "{48721B56-6795-11D2-B1A8-0080C72E74A2}";
constexpr char kDot4PrintGuid[] = "{49CE6AC8-6F86-11D2-B1E5-0080C72E74A2}";
constexpr char kImageGuid[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
constexpr char kUsbGuid[] = "{36FC9E60-C465-11CF-8056-444553540000}";

struct Device {
    const char* id;
    const char* classGuid;
    const char* className;
    const char* description;
    const char* manufacturer;
    const char* parent;
};

// The devices of one machine: the old generation's (keywords QN500, QN510), the next generation's (kept by
// its description), another maker's transport device, Microsoft's, and another vendor's printer.
const Device kDevices[] = {
    {"USB\\VID_0A5F&PID_QN500\\SN1", kUsbGuid, "USB", "Dispositivo USB composito", "Periferiche", nullptr},
    {"USBPRINT\\CORVANTAQN500\\7&1", kPrinterGuid, "Printer", "Corvanta QN500", "Corvanta", "USB\\VID_0A5F&PID_QN500\\SN1"},
    {"USBPRINT\\GENERIC\\7&2", kPrinterGuid, "Printer", "Stampante USB", "Corvanta", "USB\\VID_0A5F&PID_QN500\\SN1"},
    {"USBPRINT\\CORVANTAQN510\\7&3", kPrinterGuid, "Printer", "Corvanta Serie 700 QN510", "Corvanta", nullptr},
    {"USBPRINT\\ALTROPRINTER\\7&4", kPrinterGuid, "Printer", "Altro Stampante", "Altro", nullptr},
    {"DOT4\\VID_1111&PID_2222\\1", kDot4Guid, "Dot4", "Trasporto IEEE 1284.4", "Altro Produttore", nullptr},
    {"DOT4\\MSDOT4\\1", kDot4Guid, "Dot4", "Trasporto DOT4", "Microsoft", nullptr},
    {"DOT4PRT\\QN510PRINT\\1", kDot4PrintGuid, "Dot4Print", "Stampa DOT4", "Corvanta", nullptr},
    {"USB\\VID_0A5F&PID_QN510SCAN\\SN2", kUsbGuid, "USB", "Scanner USB", "Corvanta", nullptr},
    {"USB\\VID_0A5F&PID_SCAN\\SN3", kImageGuid, "Image", "Scanner", "Altro", nullptr},
};
// The old generation's printer on the parallel port, which asks for a restart by its enumerator alone.
const Device kParallelPrinter = {"LPTENUM\\CORVANTAQN500\\LPT1", kPrinterGuid, "Printer", "Corvanta QN500 LPT",
                                 "Corvanta", nullptr};

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char character : text) {
        if (character == '\\') escaped += '\\';
        escaped += character;
    }
    return escaped;
}

// The classes and devices as Windows NT keeps them, every device present.
std::string NtRegistry(const std::vector<Device>& devices) {
    std::string text = "REGEDIT4\n";
    for (const auto& [guid, name] : std::vector<std::pair<const char*, const char*>>{
             {kPrinterGuid, "Printer"}, {kDot4Guid, "Dot4"}, {kDot4PrintGuid, "Dot4Print"},
             {kImageGuid, "Image"}, {kUsbGuid, "USB"}}) {
        text += std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\") + guid +
                "]\n\"Class\"=\"" + name + "\"\n";
    }
    for (const Device& device : devices) {
        std::string key = std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\") + device.id;
        text += key + "]\n\"Class\"=\"" + device.className + "\"\n\"ClassGUID\"=\"" + device.classGuid +
                "\"\n\"DeviceDesc\"=\"" + device.description + "\"\n\"Mfg\"=\"" + device.manufacturer +
                "\"\n\"HardwareID\"=\"" + Escaped(device.id) + "\"\n";
        if (device.parent) text += "\"Parent\"=\"" + Escaped(device.parent) + "\"\n";
        text += key + "\\Control]\n";
    }
    return text;
}

// The same devices as Windows 98 and Me keep them: classes by name, and the configuration manager's list.
std::string NinetyXRegistry(const std::vector<Device>& devices) {
    std::string text = "REGEDIT4\n";
    for (const char* name : {"Printer", "Dot4", "Dot4Print", "Image", "USB"}) {
        text += std::string("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\") + name + "]\n";
    }
    int node = 0;
    for (const Device& device : devices) {
        text += std::string("[HKEY_LOCAL_MACHINE\\Enum\\") + device.id + "]\n\"Class\"=\"" + device.className +
                "\"\n\"DeviceDesc\"=\"" + device.description + "\"\n\"Mfg\"=\"" + device.manufacturer +
                "\"\n\"HardwareID\"=\"" + Escaped(device.id) + "\"\n";
        if (device.parent) text += "\"Parent\"=\"" + Escaped(device.parent) + "\"\n";
        text += "[HKEY_DYN_DATA\\Config Manager\\Enum\\C10000" + std::to_string(++node) +
                "]\n\"HardWareKey\"=\"" + Escaped(device.id) + "\"\n";
    }
    return text;
}

constexpr char kServices[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QNVdot07]\n"
    "\"Type\"=dword:00000001\n\"Start\"=dword:00000001\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QNVdot07 QN05]\n"
    "\"Type\"=dword:00000010\n\"Start\"=dword:00000002\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QNVdot07 QN06]\n"
    "\"Type\"=dword:00000010\n\"Start\"=dword:00000002\n\"DeleteFlag\"=dword:00000001\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\AltroDot4]\n"
    "\"Type\"=dword:00000001\n\"Start\"=dword:00000001\n";
const std::vector<std::string> kServiceNames = {"QNVdot07", "QNVdot07 QN05", "QNVdot07 QN06", "AltroDot4"};

class IOUninstallerTest : public UninstallerTest {
  protected:
    void SetUp() override {
        UninstallerTest::SetUp();
        DIVISION = "QN";
        FIRST_IO_REVISION = 5;
        LAST_IO_REVISION = 6;
        gDATFileName = kDataFile;
        gRevisionKeywords[5] = {"QN500"};
        gRevisionKeywords[6] = {"QN510"};
    }
    // Runs the uninstaller as the engine does; its log, with what it printed in `output`.
    static std::vector<std::string> Run(std::string* output = nullptr) {
        CIOUninstaller uninstaller(nullptr);
        platform::StdoutCapture capture;
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        uninstaller.Delete();
        if (output) *output = capture.Take();
        EXPECT_TRUE(uninstaller.GetErrorList().empty());
        return Strings(uninstaller.GetLogList());
    }
    static bool Exists(platform::TestMachine& machine, const std::string& id, bool ninetyX) {
        std::string key = ninetyX ? "HKEY_LOCAL_MACHINE\\Enum\\" : "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\";
        try {
            machine.ExportRegistry(key + id);
            return true;
        } catch (const std::runtime_error&) {
            return false;
        }
    }
};

std::string Removed(const char* id) { return std::string("Removed device= ") + id + "\r\n"; }

// What the device test removes, in the order the classes are walked: the printers (the keyword in the
// hardware id, the keyword in an ancestor), then the classes of REVISION5 (Image, a transport class) and of
// REVISION6 that are known (USB is not: its QN510 scanner stays), and the transport class Dot4 by any maker
// but Microsoft. The excluded description, another vendor's printer and Microsoft's device stay.
const std::vector<std::string> kRemovedIds = {"USBPRINT\\CORVANTAQN500\\7&1", "USBPRINT\\GENERIC\\7&2",
                                              "USB\\VID_0A5F&PID_SCAN\\SN3", "DOT4\\VID_1111&PID_2222\\1"};
const std::vector<std::string> kKeptIds = {"USBPRINT\\CORVANTAQN510\\7&3", "USBPRINT\\ALTROPRINTER\\7&4",
                                           "DOT4\\MSDOT4\\1", "USB\\VID_0A5F&PID_QN510SCAN\\SN2",
                                           "DOT4PRT\\QN510PRINT\\1", "USB\\VID_0A5F&PID_QN500\\SN1"};

class IOUninstallerSystems : public IOUninstallerTest, public ::testing::WithParamInterface<OsKind> {};

INSTANTIATE_TEST_SUITE_P(Systems, IOUninstallerSystems,
                         ::testing::Values(OsKind::WindowsXP, OsKind::Windows2000, OsKind::WindowsNT4,
                                           OsKind::Windows98, OsKind::WindowsMe),
                         [](const ::testing::TestParamInfo<OsKind>& info) {
                             return "Windows" + platform::OsKindName(info.param);
                         });

TEST_P(IOUninstallerSystems, TheDeviceTestKeepsOtherMakersAndTheNextGeneration) {
    bool ninetyX = GetParam() == OsKind::Windows98 || GetParam() == OsKind::WindowsMe;
    platform::TestMachine machine(GetParam());
    std::vector<Device> devices(std::begin(kDevices), std::end(kDevices));
    machine.File(kDataFile, kData).Registry(ninetyX ? NinetyXRegistry(devices) : NtRegistry(devices));
    if (!ninetyX) machine.Registry(kServices);
    std::vector<std::string> log = Run();
    std::vector<std::string> expected;
    for (const std::string& id : kRemovedIds) expected.push_back(Removed(id.c_str()));
    // The listed service, then the numbered ones: QN05 runs and stops when asked; QN06 was marked for
    // deletion by an earlier run and would not stop then.
    if (!ninetyX) {
        expected.push_back("Removed service= QNVdot07\r\n");
        expected.push_back("Removed service= QNVdot07 QN05\r\n");
        expected.push_back("Remove service on next reboot= QNVdot07 QN06\r\n");
    }
    EXPECT_EQ(log, expected);
    for (const std::string& id : kRemovedIds) EXPECT_FALSE(Exists(machine, id, ninetyX)) << id;
    for (const std::string& id : kKeptIds) EXPECT_TRUE(Exists(machine, id, ninetyX)) << id;
    // Only the marked service asks for a restart; no removal did.
    EXPECT_EQ(gRestartNeeded, ninetyX ? 0u : 1u);
    if (!ninetyX) {
        for (const std::string& name : kServiceNames) EXPECT_EQ(machine.ServiceHandleCount(name), 0) << name;
        std::string services = machine.ExportRegistry("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services");
        EXPECT_EQ(services.find("QNVdot07]"), std::string::npos);
        EXPECT_EQ(services.find("QNVdot07 QN05]"), std::string::npos);
        // Stopped now and no longer held, the marked one has gone too.
        EXPECT_EQ(services.find("QNVdot07 QN06]"), std::string::npos);
        EXPECT_NE(services.find("AltroDot4]"), std::string::npos);
    }
}

TEST_P(IOUninstallerSystems, RemovalsThatAskForARestart) {
    bool ninetyX = GetParam() == OsKind::Windows98 || GetParam() == OsKind::WindowsMe;
    struct Row {
        const char* name;
        std::vector<Device> devices;
        DWORD flags;  // asked by the removal of the first device
        unsigned int restart;
    } rows[] = {
        {"none asked", {kDevices[1]}, 0, 0},
        {"DI_NEEDRESTART", {kDevices[1]}, DI_NEEDRESTART, 1},
        {"DI_NEEDREBOOT", {kDevices[1]}, DI_NEEDREBOOT, 1},
        {"another flag", {kDevices[1]}, DI_NEEDREBOOT << 1, 0},
        {"LPTENUM", {kParallelPrinter}, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gRestartNeeded = 0;
        platform::TestMachine machine(GetParam());
        machine.File(kDataFile, "[Scrubber.IOUninstaller]\r\nenabled=1\r\nKnownClasses=Printer\r\nServices=\r\n")
            .Registry(ninetyX ? NinetyXRegistry(row.devices) : NtRegistry(row.devices));
        if (row.flags) machine.DeviceRemovalRestart(row.devices[0].id, row.flags);
        EXPECT_EQ(Run(), std::vector<std::string>{Removed(row.devices[0].id)});
        EXPECT_EQ(gRestartNeeded, row.restart);
    }
}

TEST_F(IOUninstallerTest, LegacyModeRemovesTheLegacyClassesFirst) {
    platform::TestMachine machine;
    std::vector<Device> devices = {kDevices[7], kDevices[1]};
    machine.File(kDataFile, kData).Registry(NtRegistry(devices));
    gLegacy = 1;
    EXPECT_EQ(Run(), (std::vector<std::string>{Removed(kDevices[7].id), Removed(kDevices[1].id)}));
    // Without the legacy option the Dot4Print class is not walked at all (it is in no revision).
    gLegacy = 0;
    platform::TestMachine again;
    again.File(kDataFile, kData).Registry(NtRegistry(devices));
    EXPECT_EQ(Run(), std::vector<std::string>{Removed(kDevices[1].id)});
}

TEST_F(IOUninstallerTest, RefusedAndMarkedServicesAreRemovedOnlyAtTheNextRestart) {
    platform::TestMachine machine;
    machine.File(kDataFile, kData).Registry(NtRegistry({})).Registry(kServices);
    machine.Fault(platform::fault_target::kService, "QNVdot07 QN05", "stop", ERROR_SERVICE_REQUEST_TIMEOUT);
    std::string output;
    EXPECT_EQ(Run(&output), (std::vector<std::string>{"Removed service= QNVdot07\r\n",
                                                      "Remove service on next reboot= QNVdot07 QN05\r\n",
                                                      "Remove service on next reboot= QNVdot07 QN06\r\n"}));
    EXPECT_NE(output.find("Cannot stop QNVdot07 QN05 service. " + ErrorText(ERROR_SERVICE_REQUEST_TIMEOUT) + "\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(gRestartNeeded, 1u);
    for (const std::string& name : kServiceNames) EXPECT_EQ(machine.ServiceHandleCount(name), 0) << name;
    std::vector<std::string> restart = machine.Restart();
    EXPECT_EQ(restart, (std::vector<std::string>{"restart not requested by any program",
                                                 "service QNVdot07 QN05 deleted (marked for deletion)"}));
}

TEST_F(IOUninstallerTest, AMachineWithoutClassesTracesNoEarlierError) {
    platform::TestMachine machine;
    machine.File(kDataFile, kData);
    SetLastError(ERROR_ACCESS_DENIED);
    std::string output;
    EXPECT_TRUE(Run(&output).empty());
    EXPECT_EQ(output, "SetupDiBuildClassInfoList failed returning ERR_NOERROR\n");
}

TEST_F(IOUninstallerTest, FailureTraces) {
    platform::TestMachine texts;  // the error texts come from a machine's system
    const std::string notFound = ErrorText(ERROR_FILE_NOT_FOUND);
    struct Row {
        const char* name;
        const char* data;
        bool legacy;
        std::vector<Device> devices;
        const char* faultDevice;
        std::string output;  // the lines expected, in order, among what is printed
        std::vector<std::string> log;
    } rows[] = {
        {"no known classes", "[Scrubber.IOUninstaller]\r\nenabled=1\r\n", false, {kDevices[1]}, nullptr,
         "LoadStringListFromValue(Scrubber.IOUninstaller,KnownClasses) failed\n"
         "LoadStringListFromValue( knownClasses) failed returning " + notFound + "\n",
         {}},
        {"no legacy classes", "[Scrubber.IOUninstaller]\r\nenabled=1\r\nKnownClasses=Printer\r\n", true,
         {kDevices[1]}, nullptr,
         "LoadStringListFromValue( specificClasses) failed returning " + notFound + "\n", {}},
        {"no services", "[Scrubber.IOUninstaller]\r\nenabled=1\r\nKnownClasses=Printer\r\n", false,
         {kDevices[1]}, nullptr,
         "LoadStringListFromValue( services) failed returning " + notFound + "\n", {Removed(kDevices[1].id)}},
        {"removal refused", "[Scrubber.IOUninstaller]\r\nenabled=1\r\nKnownClasses=Printer\r\nServices=\r\n", false,
         {kParallelPrinter, kDevices[1]}, kDevices[1].id,
         "SetupDiCallClassInstaller failed with " + ErrorText(ERROR_ACCESS_DENIED) +
             "\nDeleteClassDevs( guidList[g] ) failed with " + ErrorText(ERROR_ACCESS_DENIED) + "\n",
         {Removed(kParallelPrinter.id)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gLegacy = row.legacy;
        platform::TestMachine machine;
        machine.File(kDataFile, row.data).Registry(NtRegistry(row.devices));
        if (row.faultDevice)
            machine.Fault(platform::fault_target::kDevice, row.faultDevice, "remove", ERROR_ACCESS_DENIED);
        std::string output;
        EXPECT_EQ(Run(&output), row.log);
        EXPECT_NE(output.find(row.output), std::string::npos) << output;
    }
}

}  // namespace
