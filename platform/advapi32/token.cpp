// The process's access token and its privileges: OpenProcessToken, LookupPrivilegeValueA and
// AdjustTokenPrivileges. Windows 95, 98 and Me have no tokens: the calls fail there as not implemented.
//
// A process has one primary token; every handle OpenProcessToken gives names it, so a privilege enabled
// through one handle is enabled for the whole process. Which privileges the token holds follows the
// defaults of a Windows NT workstation: an administrator holds the system-wide ones (debugging, backup,
// loading drivers, shutdown...), any other user holds only change notification, shutdown and undocking,
// so a user may restart the machine but not, say, debug other programs. All are held disabled except
// change notification, which is enabled by default.
#include "platform/advapi32/token.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/machine/kernel/handle_table.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"
#include "windows.h"

namespace platform {

namespace {

struct PrivilegeInfo {
    const char* name;
    DWORD luid;
    bool heldByAdministrator;
    bool heldByUser;
};

// Windows' locally unique ids of the privileges (the high part is 0 for all of them).
constexpr PrivilegeInfo kPrivileges[] = {
    {SE_CREATE_TOKEN_NAME, 2, false, false},
    {SE_ASSIGNPRIMARYTOKEN_NAME, 3, false, false},
    {SE_LOCK_MEMORY_NAME, 4, false, false},
    {SE_INCREASE_QUOTA_NAME, 5, true, false},
    {SE_MACHINE_ACCOUNT_NAME, 6, false, false},
    {SE_TCB_NAME, 7, false, false},
    {SE_SECURITY_NAME, 8, true, false},
    {SE_TAKE_OWNERSHIP_NAME, 9, true, false},
    {SE_LOAD_DRIVER_NAME, 10, true, false},
    {SE_SYSTEM_PROFILE_NAME, 11, true, false},
    {SE_SYSTEMTIME_NAME, 12, true, false},
    {SE_PROF_SINGLE_PROCESS_NAME, 13, true, false},
    {SE_INC_BASE_PRIORITY_NAME, 14, true, false},
    {SE_CREATE_PAGEFILE_NAME, 15, true, false},
    {SE_CREATE_PERMANENT_NAME, 16, false, false},
    {SE_BACKUP_NAME, 17, true, false},
    {SE_RESTORE_NAME, 18, true, false},
    {SE_SHUTDOWN_NAME, 19, true, true},
    {SE_DEBUG_NAME, 20, true, false},
    {SE_AUDIT_NAME, 21, false, false},
    {SE_SYSTEM_ENVIRONMENT_NAME, 22, true, false},
    {SE_CHANGE_NOTIFY_NAME, 23, true, true},
    {SE_REMOTE_SHUTDOWN_NAME, 24, true, false},
    {SE_UNDOCK_NAME, 25, true, true},
    {SE_SYNC_AGENT_NAME, 26, false, false},
    {SE_ENABLE_DELEGATION_NAME, 27, false, false},
    {SE_MANAGE_VOLUME_NAME, 28, true, false},
    {SE_IMPERSONATE_NAME, 29, true, false},
    {SE_CREATE_GLOBAL_NAME, 30, true, false},
};

const PrivilegeInfo* FindPrivilege(std::string_view name) {
    for (const PrivilegeInfo& privilege : kPrivileges) {
        if (EqualsNoCase(privilege.name, name)) return &privilege;
    }
    return nullptr;
}

std::uint64_t LuidKey(const LUID& luid) {
    return (static_cast<std::uint64_t>(static_cast<DWORD>(luid.HighPart)) << 32) | luid.LowPart;
}

// The privileges of the process's primary token and their attributes, made for the machine the
// process runs in (a test may attach one machine after another).
class ProcessToken {
  public:
    static ProcessToken& Instance() {
        static ProcessToken token;
        return token;
    }

    // Runs the action on the attributes of the privileges held, keyed by LUID, under the token's lock.
    template <typename Action>
    auto WithPrivileges(Action action) {
        std::lock_guard<std::mutex> lock(mutex_);
        Machine& machine = Machine::Current();
        if (machine_ != &machine || folder_ != machine.folder().native()) {
            privileges_.clear();
            for (const PrivilegeInfo& privilege : kPrivileges) {
                bool held =
                    machine.settings().administrator ? privilege.heldByAdministrator : privilege.heldByUser;
                if (!held) continue;
                DWORD attributes = 0;
                if (privilege.luid == 23) attributes = SE_PRIVILEGE_ENABLED_BY_DEFAULT | SE_PRIVILEGE_ENABLED;
                privileges_[privilege.luid] = attributes;
            }
            machine_ = &machine;
            folder_ = machine.folder().native();
        }
        return action(privileges_);
    }

  private:
    std::mutex mutex_;
    const Machine* machine_ = nullptr;
    std::string folder_;
    std::map<std::uint64_t, DWORD> privileges_;
};

class TokenObject final : public KernelObject {
  public:
    explicit TokenObject(DWORD access) : access_(access) {}
    bool Allows(DWORD access) const { return (access_ & access) == access; }

  private:
    DWORD access_;
};

DWORD GrantedAccess(DWORD desired) {
    if (desired & (MAXIMUM_ALLOWED | GENERIC_ALL)) return TOKEN_ALL_ACCESS;
    DWORD granted = desired & (STANDARD_RIGHTS_ALL | 0x01FF);
    if (desired & GENERIC_READ) granted |= TOKEN_READ;
    if (desired & GENERIC_WRITE) granted |= TOKEN_WRITE;
    if (desired & GENERIC_EXECUTE) granted |= TOKEN_EXECUTE;
    return granted;
}

DWORD TokenFault(std::string_view operation) {
    return InjectedFault(fault_target::kToken, CurrentProcess().modulePath(), operation);
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

}  // namespace

bool IsThisComputer(const char* systemName) {
    if (!systemName || !*systemName) return true;
    std::string_view name(systemName);
    while (!name.empty() && name.front() == '\\') name.remove_prefix(1);
    return EqualsNoCase(name, Machine::Current().settings().computerName);
}

bool ProcessPrivilegeEnabled(std::string_view privilegeName) {
    const PrivilegeInfo* privilege = FindPrivilege(privilegeName);
    if (!privilege) return false;
    return ProcessToken::Instance().WithPrivileges([&](std::map<std::uint64_t, DWORD>& privileges) {
        auto found = privileges.find(privilege->luid);
        return found != privileges.end() && (found->second & SE_PRIVILEGE_ENABLED) != 0;
    });
}

}  // namespace platform

extern "C" BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
    if (!platform::Machine::Current().IsNT()) return platform::Fail(ERROR_CALL_NOT_IMPLEMENTED);
    if (DWORD error = platform::TokenFault("open")) return platform::Fail(error);
    // Only this process's token can be opened: other processes are not reachable by handle here.
    if (ProcessHandle != GetCurrentProcess()) return platform::Fail(ERROR_INVALID_HANDLE);
    if (!TokenHandle) return platform::Fail(ERROR_NOACCESS);
    *TokenHandle = platform::ProcessHandles().Insert(
        std::make_shared<platform::TokenObject>(platform::GrantedAccess(DesiredAccess)));
    return TRUE;
}

extern "C" BOOL WINAPI LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid) {
    if (!platform::Machine::Current().IsNT()) return platform::Fail(ERROR_CALL_NOT_IMPLEMENTED);
    if (DWORD error = platform::TokenFault("lookup")) return platform::Fail(error);
    if (!platform::IsThisComputer(lpSystemName)) return platform::Fail(RPC_S_SERVER_UNAVAILABLE);
    if (!lpName) return platform::Fail(ERROR_INVALID_PARAMETER);
    if (!lpLuid) return platform::Fail(ERROR_NOACCESS);
    const platform::PrivilegeInfo* privilege = platform::FindPrivilege(lpName);
    if (!privilege) return platform::Fail(ERROR_NO_SUCH_PRIVILEGE);
    lpLuid->LowPart = privilege->luid;
    lpLuid->HighPart = 0;
    return TRUE;
}

extern "C" BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                             PTOKEN_PRIVILEGES NewState, DWORD BufferLength,
                                             PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength) {
    using platform::Fail;
    if (!platform::Machine::Current().IsNT()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    std::shared_ptr<platform::TokenObject> token =
        platform::ProcessHandles().Lookup<platform::TokenObject>(TokenHandle);
    if (!token) return Fail(ERROR_INVALID_HANDLE);
    if (!token->Allows(TOKEN_ADJUST_PRIVILEGES)) return Fail(ERROR_ACCESS_DENIED);
    if (PreviousState && !token->Allows(TOKEN_QUERY)) return Fail(ERROR_ACCESS_DENIED);
    if (!DisableAllPrivileges && !NewState) return Fail(ERROR_INVALID_PARAMETER);
    if (PreviousState && !ReturnLength) return Fail(ERROR_NOACCESS);
    if (DWORD error = platform::TokenFault("adjust")) {
        if (error != ERROR_NOT_ALL_ASSIGNED) return Fail(error);
        SetLastError(ERROR_NOT_ALL_ASSIGNED);
        return TRUE;
    }
    return platform::ProcessToken::Instance().WithPrivileges([&](std::map<std::uint64_t, DWORD>& privileges) {
        // The new attributes of each privilege that changes, worked out before anything changes, so
        // that a previous-state buffer too small leaves the token as it was.
        std::vector<std::pair<std::uint64_t, DWORD>> changes;
        bool allAssigned = true;
        if (DisableAllPrivileges) {
            for (const auto& [luid, attributes] : privileges) {
                if (attributes & SE_PRIVILEGE_ENABLED)
                    changes.emplace_back(luid, attributes & ~SE_PRIVILEGE_ENABLED);
            }
        } else {
            // The array runs past its declared single element, as many as the count says.
            const LUID_AND_ATTRIBUTES* entries = NewState->Privileges;
            for (DWORD index = 0; index < NewState->PrivilegeCount; ++index) {
                const LUID_AND_ATTRIBUTES& asked = entries[index];
                auto held = privileges.find(platform::LuidKey(asked.Luid));
                if (held == privileges.end()) {
                    allAssigned = false;
                    continue;
                }
                DWORD attributes =
                    (held->second & ~SE_PRIVILEGE_ENABLED) | (asked.Attributes & SE_PRIVILEGE_ENABLED);
                if (attributes != held->second) changes.emplace_back(held->first, attributes);
            }
        }
        if (PreviousState) {
            DWORD needed = static_cast<DWORD>(offsetof(TOKEN_PRIVILEGES, Privileges) +
                                              changes.size() * sizeof(LUID_AND_ATTRIBUTES));
            *ReturnLength = needed;
            if (BufferLength < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
            PreviousState->PrivilegeCount = static_cast<DWORD>(changes.size());
            LUID_AND_ATTRIBUTES* entries = PreviousState->Privileges;
            for (std::size_t index = 0; index < changes.size(); ++index) {
                LUID_AND_ATTRIBUTES& previous = entries[index];
                previous.Luid.LowPart = static_cast<DWORD>(changes[index].first);
                previous.Luid.HighPart = static_cast<LONG>(changes[index].first >> 32);
                previous.Attributes = privileges[changes[index].first];
            }
        }
        for (const auto& [luid, attributes] : changes) privileges[luid] = attributes;
        SetLastError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
        return TRUE;
    });
}
