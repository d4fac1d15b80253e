// The web browser of a machine: opening an address through the shell starts it with that address, as
// the registration and welcome programs open their pages, and the http class's command is there to be
// read as those programs look for a browser.
#include "platform/testing/web_browser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "shellapi.h"
#include "windows.h"

namespace {

TEST(WebBrowser, OpensTheAddressesItIsGiven) {
    platform::TestMachine machine;
    platform::InstallWebBrowser(machine);
    const char* addresses[] = {"http://www.corvanta.it/registra?id=7&lingua=it",
                               "https://www.corvanta.it/ordina"};
    for (const char* address : addresses) {
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpVerb = "Open";
        info.lpFile = address;
        info.lpDirectory = "";
        info.nShow = SW_RESTORE;
        ASSERT_TRUE(ShellExecuteExA(&info)) << address;
        EXPECT_GT(reinterpret_cast<ULONG_PTR>(info.hInstApp), 32u);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 20000));
        CloseHandle(info.hProcess);
    }
    EXPECT_EQ(std::vector<std::string>(std::begin(addresses), std::end(addresses)),
              platform::WebBrowserAddresses(machine));

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\HTTP\\shell\\open\\command", 0, KEY_READ,
                            &key));
    char command[260] = "";
    DWORD size = sizeof command;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size));
    EXPECT_STREQ("\"C:\\Program Files\\Web Browser\\browser.exe\" \"%1\"", command);
    RegCloseKey(key);
}

TEST(WebBrowser, WithoutABrowserAnAddressHasNoAssociation) {
    platform::TestMachine machine;
    EXPECT_EQ(static_cast<ULONG_PTR>(SE_ERR_NOASSOC),
              reinterpret_cast<ULONG_PTR>(
                  ShellExecuteA(nullptr, "Open", "http://www.corvanta.it", nullptr, "", SW_RESTORE)));
}

}  // namespace
