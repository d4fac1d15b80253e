// Security descriptors, the process token's privileges and what ExitWindowsEx asks of them, per system.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::MachineSettings;
using platform::OsKind;
using platform::TestMachine;

struct CallRow {
    const char* description;
    std::function<BOOL()> call;
    bool succeeds;
    DWORD error;
};

void RunRows(OsKind os, const std::vector<CallRow>& rows) {
    TestMachine test(os);
    for (const CallRow& row : rows) {
        SetLastError(0xDEAD);
        BOOL result = row.call();
        std::string where = platform::OsKindName(os) + ": " + row.description;
        EXPECT_EQ(result != FALSE, row.succeeds) << where;
        if (!row.succeeds) {
            EXPECT_EQ(GetLastError(), row.error) << where;
        }
    }
}

// A descriptor in a buffer of exactly the minimum length, as programs allocate it.
struct DescriptorBuffer {
    BYTE bytes[SECURITY_DESCRIPTOR_MIN_LENGTH] = {};
    PSECURITY_DESCRIPTOR get() { return bytes; }
};

TEST(SecurityDescriptors, CallsOnWindowsNT) {
    static DescriptorBuffer initialized, blank;
    static ACL acl{ACL_REVISION, 0, sizeof(ACL), 0, 0};
    static ACL badAcl{7, 0, sizeof(ACL), 0, 0};
    const std::vector<CallRow> rows = {
        {"initialize, revision 1", [] { return InitializeSecurityDescriptor(initialized.get(), 1); }, true,
         0},
        {"initialize, revision 2", [] { return InitializeSecurityDescriptor(blank.get(), 2); }, false,
         ERROR_UNKNOWN_REVISION},
        {"initialize a null buffer", [] { return InitializeSecurityDescriptor(nullptr, 1); }, false,
         ERROR_NOACCESS},
        {"valid after initializing", [] { return IsValidSecurityDescriptor(initialized.get()); }, true, 0},
        {"a zeroed buffer is not valid", [] { return IsValidSecurityDescriptor(blank.get()); }, false,
         ERROR_INVALID_SECURITY_DESCR},
        {"DACL on a zeroed buffer",
         [] { return SetSecurityDescriptorDacl(blank.get(), TRUE, nullptr, FALSE); }, false,
         ERROR_UNKNOWN_REVISION},
        {"present null DACL",
         [] { return SetSecurityDescriptorDacl(initialized.get(), TRUE, nullptr, FALSE); }, true, 0},
        {"valid with a null DACL", [] { return IsValidSecurityDescriptor(initialized.get()); }, true, 0},
        {"DACL of a bad revision",
         [] { return SetSecurityDescriptorDacl(initialized.get(), TRUE, &badAcl, FALSE); }, true, 0},
        {"not valid with that DACL", [] { return IsValidSecurityDescriptor(initialized.get()); }, false,
         ERROR_INVALID_SECURITY_DESCR},
        {"a good DACL", [] { return SetSecurityDescriptorDacl(initialized.get(), TRUE, &acl, TRUE); }, true,
         0},
        {"valid again", [] { return IsValidSecurityDescriptor(initialized.get()); }, true, 0},
    };
    RunRows(OsKind::WindowsXP, rows);

    TestMachine test(OsKind::Windows2000);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(initialized.get(), &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, &acl);
    EXPECT_TRUE(defaulted);

    ASSERT_TRUE(SetSecurityDescriptorDacl(initialized.get(), TRUE, nullptr, FALSE));
    ASSERT_TRUE(GetSecurityDescriptorDacl(initialized.get(), &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);
    EXPECT_FALSE(defaulted);

    // Without a DACL the pointer and the defaulted flag are left as they were.
    ASSERT_TRUE(SetSecurityDescriptorDacl(initialized.get(), FALSE, &acl, TRUE));
    dacl = &badAcl;
    defaulted = 7;
    ASSERT_TRUE(GetSecurityDescriptorDacl(initialized.get(), &present, &dacl, &defaulted));
    EXPECT_FALSE(present);
    EXPECT_EQ(dacl, &badAcl);
    EXPECT_EQ(defaulted, 7);
}

TEST(SecurityDescriptors, Windows9xDoesNotImplementThem) {
    static DescriptorBuffer buffer;
    const std::vector<CallRow> rows = {
        {"initialize", [] { return InitializeSecurityDescriptor(buffer.get(), 1); }, false,
         ERROR_CALL_NOT_IMPLEMENTED},
        {"set DACL", [] { return SetSecurityDescriptorDacl(buffer.get(), TRUE, nullptr, FALSE); }, false,
         ERROR_CALL_NOT_IMPLEMENTED},
        {"get DACL",
         [] {
             BOOL present, defaulted;
             PACL dacl;
             return GetSecurityDescriptorDacl(buffer.get(), &present, &dacl, &defaulted);
         },
         false, ERROR_CALL_NOT_IMPLEMENTED},
        {"is valid", [] { return IsValidSecurityDescriptor(buffer.get()); }, false,
         ERROR_CALL_NOT_IMPLEMENTED},
    };
    for (OsKind os : {OsKind::Windows95, OsKind::Windows98, OsKind::WindowsMe}) RunRows(os, rows);
}

// How the spooler mutex is made: attributes over a null-DACL descriptor in a 20-byte block. Windows 9x
// refuses the descriptor calls, but the mutex is still created with the attributes as they are, and any
// nLength is accepted (12 is the 32-bit size the program writes).
TEST(SecurityDescriptors, NamedObjectsTakeTheAttributes) {
    for (OsKind os : {OsKind::Windows98, OsKind::WindowsXP}) {
        for (DWORD length : {DWORD{12}, static_cast<DWORD>(sizeof(SECURITY_ATTRIBUTES)), DWORD{0}}) {
            TestMachine test(os);
            std::vector<BYTE> block(SECURITY_DESCRIPTOR_MIN_LENGTH);
            bool nt = os == OsKind::WindowsXP;
            EXPECT_EQ(InitializeSecurityDescriptor(block.data(), SECURITY_DESCRIPTOR_REVISION) != FALSE, nt);
            EXPECT_EQ(SetSecurityDescriptorDacl(block.data(), TRUE, nullptr, FALSE) != FALSE, nt);
            SECURITY_ATTRIBUTES attributes{length, block.data(), TRUE};
            HANDLE mutex = CreateMutexA(&attributes, FALSE, "SpoolerMutex");
            ASSERT_NE(mutex, nullptr) << platform::OsKindName(os) << ", nLength " << length;
            HANDLE event = CreateEventA(&attributes, TRUE, FALSE, "SecurityTestEvent");
            ASSERT_NE(event, nullptr) << platform::OsKindName(os) << ", nLength " << length;
            EXPECT_TRUE(CloseHandle(event));
            EXPECT_TRUE(CloseHandle(mutex));
        }
    }
}

// The restart dialog's sequence: open the token, look the privilege up, enable it, then ExitWindowsEx.
struct PrivilegeRow {
    OsKind os;
    bool administrator;
    const char* privilege;
    DWORD openError;    // 0: OpenProcessToken succeeds
    DWORD lookupError;  // 0: LookupPrivilegeValueA succeeds
    DWORD adjustError;  // the last error after AdjustTokenPrivileges returns TRUE
    DWORD exitError;    // 0: ExitWindowsEx(EWX_REBOOT) succeeds
};

TEST(TokenPrivileges, RestartSequencePerSystemAndUser) {
    const std::vector<PrivilegeRow> rows = {
        {OsKind::WindowsXP, true, SE_SHUTDOWN_NAME, 0, 0, ERROR_SUCCESS, 0},
        {OsKind::WindowsXP, false, SE_SHUTDOWN_NAME, 0, 0, ERROR_SUCCESS, 0},
        {OsKind::WindowsNT4, false, "seshutdownprivilege", 0, 0, ERROR_SUCCESS, 0},
        {OsKind::Windows2000, true, SE_DEBUG_NAME, 0, 0, ERROR_SUCCESS, ERROR_PRIVILEGE_NOT_HELD},
        {OsKind::WindowsXP, false, SE_DEBUG_NAME, 0, 0, ERROR_NOT_ALL_ASSIGNED, ERROR_PRIVILEGE_NOT_HELD},
        {OsKind::WindowsXP, true, SE_TCB_NAME, 0, 0, ERROR_NOT_ALL_ASSIGNED, ERROR_PRIVILEGE_NOT_HELD},
        {OsKind::WindowsXP, true, "SeNoSuchPrivilege", 0, ERROR_NO_SUCH_PRIVILEGE, 0,
         ERROR_PRIVILEGE_NOT_HELD},
        {OsKind::Windows98, true, SE_SHUTDOWN_NAME, ERROR_CALL_NOT_IMPLEMENTED, ERROR_CALL_NOT_IMPLEMENTED, 0,
         0},
        {OsKind::Windows95, false, SE_SHUTDOWN_NAME, ERROR_CALL_NOT_IMPLEMENTED, ERROR_CALL_NOT_IMPLEMENTED,
         0, 0},
    };
    for (const PrivilegeRow& row : rows) {
        MachineSettings settings = MachineSettings::Defaults(row.os);
        settings.administrator = row.administrator;
        TestMachine test(settings);
        std::string where =
            platform::OsKindName(row.os) + (row.administrator ? " administrator " : " user ") + row.privilege;
        HANDLE token = nullptr;
        SetLastError(0xDEAD);
        BOOL opened = OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
        EXPECT_EQ(opened != FALSE, row.openError == 0) << where;
        if (!opened) {
            EXPECT_EQ(GetLastError(), row.openError) << where;
        }
        LUID luid{};
        SetLastError(0xDEAD);
        BOOL found = LookupPrivilegeValueA(nullptr, row.privilege, &luid);
        EXPECT_EQ(found != FALSE, row.lookupError == 0) << where;
        if (!found) {
            EXPECT_EQ(GetLastError(), row.lookupError) << where;
        }
        if (opened && found) {
            TOKEN_PRIVILEGES privileges{1, {{luid, SE_PRIVILEGE_ENABLED}}};
            SetLastError(0xDEAD);
            EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)) << where;
            EXPECT_EQ(GetLastError(), row.adjustError) << where;
        }
        if (opened) {
            EXPECT_TRUE(CloseHandle(token)) << where;
        }
        SetLastError(0xDEAD);
        BOOL exited = ExitWindowsEx(EWX_REBOOT, 0);
        EXPECT_EQ(exited != FALSE, row.exitError == 0) << where;
        if (!exited) {
            EXPECT_EQ(GetLastError(), row.exitError) << where;
        }
    }
}

TEST(TokenPrivileges, LookupNamesAndSystems) {
    TestMachine test(OsKind::WindowsXP);
    LUID luid{};
    ASSERT_TRUE(LookupPrivilegeValueA("", SE_SHUTDOWN_NAME, &luid));
    EXPECT_EQ(luid.LowPart, 19u);
    EXPECT_EQ(luid.HighPart, 0);
    ASSERT_TRUE(LookupPrivilegeValueA("\\\\ufficio", SE_CHANGE_NOTIFY_NAME, &luid));
    EXPECT_EQ(luid.LowPart, 23u);
    SetLastError(0xDEAD);
    EXPECT_FALSE(LookupPrivilegeValueA("\\\\ELSEWHERE", SE_SHUTDOWN_NAME, &luid));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
    EXPECT_FALSE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
}

LUID ShutdownLuid() {
    LUID luid{};
    EXPECT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid));
    return luid;
}

TEST(TokenPrivileges, HandlesAndProcessWideState) {
    TestMachine test(OsKind::WindowsXP);
    TOKEN_PRIVILEGES enable{1, {{ShutdownLuid(), SE_PRIVILEGE_ENABLED}}};
    TOKEN_PRIVILEGES disable{1, {{ShutdownLuid(), 0}}};

    HANDLE queryOnly = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &queryOnly));
    EXPECT_FALSE(AdjustTokenPrivileges(queryOnly, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(queryOnly));
    EXPECT_FALSE(CloseHandle(queryOnly));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(AdjustTokenPrivileges(queryOnly, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    HANDLE token = nullptr;
    EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(0x4321), TOKEN_ALL_ACCESS, &token));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // Enabled through one handle, the privilege stays enabled for the process after the handle closes.
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &enable, 0, nullptr, nullptr));
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));

    // The previous state needs TOKEN_QUERY and room for every privilege that changes.
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), MAXIMUM_ALLOWED, &token));
    TOKEN_PRIVILEGES previous{};
    DWORD length = 0;
    EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &disable, 4, &previous, &length));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(length, sizeof(TOKEN_PRIVILEGES));
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0)) << "a refused adjustment changes nothing";
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &disable, sizeof previous, &previous, &length));
    EXPECT_EQ(previous.PrivilegeCount, 1u);
    EXPECT_EQ(previous.Privileges[0].Luid.LowPart, 19u);
    EXPECT_EQ(previous.Privileges[0].Attributes, static_cast<DWORD>(SE_PRIVILEGE_ENABLED));
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
    EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0)) << "logging off needs no privilege";

    // Disabling all turns off what is enabled by default too.
    ASSERT_TRUE(AdjustTokenPrivileges(token, TRUE, nullptr, sizeof previous, &previous, &length));
    EXPECT_EQ(previous.PrivilegeCount, 1u);
    EXPECT_EQ(previous.Privileges[0].Luid.LowPart, 23u);
    EXPECT_EQ(previous.Privileges[0].Attributes,
              static_cast<DWORD>(SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT));
    EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(CloseHandle(token));
}

TEST(TokenPrivileges, InjectedFaults) {
    const struct {
        const char* operation;
        DWORD error;
        DWORD openError, lookupError;
        bool adjusted;  // AdjustTokenPrivileges returns TRUE
        DWORD adjustError;
    } rows[] = {
        {"open", ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, 0, false, 0},
        {"lookup", ERROR_NOT_ENOUGH_MEMORY, 0, ERROR_NOT_ENOUGH_MEMORY, false, 0},
        {"adjust", ERROR_ACCESS_DENIED, 0, 0, false, ERROR_ACCESS_DENIED},
        {"adjust", ERROR_NOT_ALL_ASSIGNED, 0, 0, true, ERROR_NOT_ALL_ASSIGNED},
    };
    for (const auto& row : rows) {
        TestMachine test(OsKind::WindowsXP);
        test.Fault(platform::fault_target::kToken, "*", row.operation, row.error, 1);
        std::string where = std::string(row.operation) + " " + std::to_string(row.error);
        HANDLE token = nullptr;
        BOOL opened = OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token);
        EXPECT_EQ(opened != FALSE, row.openError == 0) << where;
        if (!opened) {
            EXPECT_EQ(GetLastError(), row.openError) << where;
            continue;
        }
        LUID luid{};
        BOOL found = LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid);
        EXPECT_EQ(found != FALSE, row.lookupError == 0) << where;
        if (!found) {
            EXPECT_EQ(GetLastError(), row.lookupError) << where;
            EXPECT_TRUE(CloseHandle(token));
            continue;
        }
        TOKEN_PRIVILEGES privileges{1, {{luid, SE_PRIVILEGE_ENABLED}}};
        EXPECT_EQ(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE,
                  row.adjusted)
            << where;
        EXPECT_EQ(GetLastError(), row.adjustError) << where;
        EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0)) << where << ": the privilege was never enabled";
        EXPECT_TRUE(CloseHandle(token));
    }
}

TEST(TokenPrivileges, EntryPointsAreExported) {
    TestMachine test(OsKind::WindowsXP);
    const struct {
        const char* library;
        const char* name;
    } rows[] = {
        {"advapi32.dll", "InitializeSecurityDescriptor"},
        {"advapi32.dll", "SetSecurityDescriptorDacl"},
        {"advapi32.dll", "GetSecurityDescriptorDacl"},
        {"advapi32.dll", "IsValidSecurityDescriptor"},
        {"advapi32.dll", "OpenProcessToken"},
        {"advapi32.dll", "LookupPrivilegeValueA"},
        {"advapi32.dll", "AdjustTokenPrivileges"},
        {"user32.dll", "ExitWindowsEx"},
        {"kernel32.dll", "GetCurrentProcess"},
    };
    for (const auto& row : rows) {
        HMODULE library = GetModuleHandleA(row.library);
        ASSERT_NE(library, nullptr) << row.library;
        EXPECT_NE(GetProcAddress(library, row.name), nullptr) << row.name;
    }
}

}  // namespace
