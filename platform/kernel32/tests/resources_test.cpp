#include <gtest/gtest.h>

#include <string>

#include "platform/kernel32/module_resources.h"
#include "platform/machine/os_profile.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

HMODULE Library() {
    return reinterpret_cast<HMODULE>(0x30000000);
}

const char kItalian[] = "italiano";
const char kEnglish[] = "english";
const char kNeutral[] = "neutral";
const char kTypeLibrary[] = "typelib";

void RegisterLibraryResources() {
    platform::ModuleResource resources[] = {
        {RT_RCDATA, MAKEINTRESOURCE(7), 0x0410, kItalian, sizeof kItalian},
        {RT_RCDATA, MAKEINTRESOURCE(7), 0x0409, kEnglish, sizeof kEnglish},
        {RT_RCDATA, "Named", 0x0410, kItalian, sizeof kItalian},
        {"TYPELIB", MAKEINTRESOURCE(1), 0, kTypeLibrary, sizeof kTypeLibrary},
        {RT_HTML, MAKEINTRESOURCE(3), 0x0409, kEnglish, sizeof kEnglish},
        {RT_HTML, MAKEINTRESOURCE(3), 0, kNeutral, sizeof kNeutral},
        {RT_RCDATA, MAKEINTRESOURCE(9), 0, "", 0},
    };
    platform::RegisterModuleResources(Library(), resources);
}

std::string Text(HMODULE module, HRSRC resource) {
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    return data ? std::string(data, SizeofResource(module, resource)).c_str() : "<null>";
}

TEST(FindResourceA, FindsByTypeNameAndLanguage) {
    platform::MachineSettings settings;
    settings.userLanguage = 0x410;
    settings.systemLanguage = 0x409;
    platform::TestMachine machine(settings);
    RegisterLibraryResources();
    const struct {
        const char* name;
        HMODULE module;
        LPCSTR type;
        LPCSTR resource;
        int language;  // -1: FindResourceA
        const char* text;
        DWORD error;
    } rows[] = {
        {"user language preferred", Library(), RT_RCDATA, MAKEINTRESOURCE(7), -1, kItalian, 0},
        {"neutral before all", Library(), RT_HTML, MAKEINTRESOURCE(3), -1, kNeutral, 0},
        {"exact language", Library(), RT_RCDATA, MAKEINTRESOURCE(7), 0x0409, kEnglish, 0},
        {"language 0 searches", Library(), RT_RCDATA, MAKEINTRESOURCE(7), 0, kItalian, 0},
        {"language absent", Library(), RT_RCDATA, MAKEINTRESOURCE(7), 0x0407, nullptr,
         ERROR_RESOURCE_LANG_NOT_FOUND},
        {"name in any case", Library(), RT_RCDATA, "nAmEd", -1, kItalian, 0},
        {"user type by name", Library(), "typelib", MAKEINTRESOURCE(1), -1, kTypeLibrary, 0},
        {"#number names an id", Library(), "#10", "#7", -1, kItalian, 0},
        {"type absent", Library(), RT_BITMAP, MAKEINTRESOURCE(7), -1, nullptr, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"name absent", Library(), RT_RCDATA, MAKEINTRESOURCE(8), -1, nullptr, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"name absent by string", Library(), RT_RCDATA, "Other", -1, nullptr, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"module without resources", reinterpret_cast<HMODULE>(0x30001000), RT_RCDATA, MAKEINTRESOURCE(7), -1,
         nullptr, ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SetLastError(0);
        HRSRC found = row.language < 0 ? FindResourceA(row.module, row.resource, row.type)
                                       : FindResourceExA(row.module, row.type, row.resource,
                                                         static_cast<WORD>(row.language));
        if (!row.text) {
            EXPECT_EQ(found, nullptr) << row.name;
            EXPECT_EQ(GetLastError(), row.error) << row.name;
            continue;
        }
        ASSERT_NE(found, nullptr) << row.name;
        EXPECT_EQ(Text(row.module, found), row.text) << row.name;
    }
}

TEST(FindResourceA, LoadsSizesAndReplaces) {
    platform::TestMachine machine;
    RegisterLibraryResources();
    HRSRC empty = FindResourceA(Library(), MAKEINTRESOURCE(9), RT_RCDATA);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SizeofResource(Library(), empty), 0u);
    EXPECT_NE(LoadResource(Library(), empty), nullptr);

    HRSRC before = FindResourceA(Library(), "Named", RT_RCDATA);
    const void* oldData = LockResource(LoadResource(Library(), before));
    const char replacement[] = "sostituito";
    platform::ModuleResource again{RT_RCDATA, "NAMED", 0x0410, replacement, sizeof replacement};
    platform::RegisterModuleResources(Library(), std::span<const platform::ModuleResource>(&again, 1));
    HRSRC after = FindResourceA(Library(), "Named", RT_RCDATA);
    EXPECT_EQ(Text(Library(), after), "sostituito");
    EXPECT_STREQ(static_cast<const char*>(oldData), kItalian);  // still readable

    SetLastError(0);
    EXPECT_EQ(SizeofResource(Library(), nullptr), 0u);
    EXPECT_EQ(LoadResource(Library(), nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    EXPECT_EQ(FreeResource(LoadResource(Library(), after)), FALSE);
}

TEST(FindResourceA, NullModuleIsTheProgram) {
    platform::TestMachine machine;
    const char data[] = "programma";
    platform::ModuleResource resource{"PROGRAMDATA", MAKEINTRESOURCE(1), 0, data, sizeof data};
    platform::RegisterModuleResources(nullptr, std::span<const platform::ModuleResource>(&resource, 1));
    HRSRC byNull = FindResourceA(nullptr, MAKEINTRESOURCE(1), "ProgramData");
    HRSRC byHandle = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(1), "PROGRAMDATA");
    ASSERT_NE(byNull, nullptr);
    EXPECT_EQ(byNull, byHandle);
}

}  // namespace
