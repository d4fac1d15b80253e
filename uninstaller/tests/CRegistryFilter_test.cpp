// The registry filters: which subkey names, values and texts the plain, class and device-instance
// filters select.
#include "CRegistryFilter.h"

#include <string>
#include <vector>

#include "CRegistryClassFilter.h"
#include "CRegistryDeviceInstanceFilter.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr char kRoot[] = "SYSTEM\\Prova";

HKEY OpenRoot() {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRoot, 0, KEY_READ, &key), ERROR_SUCCESS);
    return key;
}

TEST(CRegistryFilterTest, DivisionAndRevisionInTheirOrder) {
    platform::TestMachine machine;
    CRegistryFilter filter;
    filter.AddPattern({"QNV", "07."});
    filter.AddPattern(CRegistryFilter::SubstringPattern("qnv05"));
    struct Row {
        const char* text;
        unsigned int selected;
    } rows[] = {
        {"qnvimn07.dll", 1}, {"C:\\QNV\\x07.inf", 1}, {"07.qnv", 0}, {"qnv07", 0},
        {"QNV07.", 1},       {"xqnv05y", 1},          {"qnv 05", 0}, {"", 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(filter.TestValue(row.text), row.selected) << row.text;
        EXPECT_EQ(filter.TestKey(nullptr, row.text), row.selected) << row.text;
    }
}

TEST(CRegistryFilterTest, SubstringPatternsOfItems) {
    CFilter::PatternList patterns;
    CRegistryFilter::AddSubstringPatterns(patterns, {" vid_0f1e ", "   ", "", "Caff\xE8"});
    std::vector<std::vector<std::string>> tokens;
    for (const CFilter::Pattern& pattern : patterns) tokens.push_back(Strings(pattern));
    EXPECT_EQ(tokens, (std::vector<std::vector<std::string>>{{"VID_0F1E", ""}, {"CAFF\xC8", ""}}));
}

TEST(CRegistryFilterTest, ClassKeysByNameOrValues) {
    platform::TestMachine machine;
    machine.Registry(R"(
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\QNV07]
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\ClassValue]
"Class"="xqnv07"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\Installer32]
"Installer32"="qnvcoi07.dll,ClassInstall"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\Installer]
"Installer"="QNVCOI07.DLL"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\InfPath]
"InfPath"="qnvprn07.inf"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\Driver]
"NTMPDriver"="qnvdot07.sys"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\WrongValue]
"InfPath"="qnvdot07.sys"
"NTMPDriver"="qnvprn07.inf"
"Class"="qnvcoi07.dll"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\Other]
"Class"="Printer"
"DriverDesc"="QNV07"
)");
    CRegistryClassFilter filter;
    filter.AddPattern(CRegistryFilter::SubstringPattern("QNV07"));
    filter.ClassPatterns().push_back(CRegistryFilter::SubstringPattern("QNV07"));
    filter.InstallerPatterns().push_back(CRegistryFilter::SubstringPattern("QNVCOI07.DLL"));
    filter.InfPathPatterns().push_back({"QNV", "07.INF"});
    filter.DriverPatterns().push_back({"QNV", "07.SYS"});
    EXPECT_TRUE(filter.HasPatterns());
    HKEY root = OpenRoot();
    struct Row {
        const char* subkey;
        unsigned int selected;
    } rows[] = {
        {"QNV07", 1},  {"ClassValue", 1}, {"Installer32", 1}, {"Installer", 1}, {"InfPath", 1},
        {"Driver", 1}, {"WrongValue", 0}, {"Other", 0},       {"Missing", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(filter.TestKey(root, row.subkey), row.selected) << row.subkey;
    RegCloseKey(root);
    EXPECT_FALSE(CRegistryClassFilter().HasPatterns());
}

TEST(CRegistryFilterTest, DeviceKeysByNameOrDeviceInstance) {
    platform::TestMachine machine;
    machine.Registry(R"(
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\##?#USB#VID_0F1E&PID_0500#1]
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\Instance]
"DeviceInstance"="usb\\vid_0f1e&pid_0500\\2"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\OtherInstance]
"DeviceInstance"="USB\\VID_9999&PID_0001\\3"
[HKEY_LOCAL_MACHINE\SYSTEM\Prova\OtherValue]
"HardwareID"="USB\\VID_0F1E&PID_0500"
)");
    CRegistryDeviceInstanceFilter filter;
    filter.AddSubstringPatterns({"VID_0F1E&PID_0500"});
    HKEY root = OpenRoot();
    struct Row {
        const char* subkey;
        unsigned int selected;
    } rows[] = {
        {"##?#USB#VID_0F1E&PID_0500#1", 1},
        {"Instance", 1},
        {"OtherInstance", 0},
        {"OtherValue", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(filter.TestKey(root, row.subkey), row.selected) << row.subkey;
    RegCloseKey(root);
}

}  // namespace
