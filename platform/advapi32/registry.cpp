// Registry calls over the machine's registry store.
//
// An open key is an entry of this process's handle table: the key's row id, the path it was reached by,
// the access it was opened with, and what was read of it (its subkeys and values), kept until the
// machine's registry counter says that some process has written since. Enumeration by index therefore
// reads a key's lists once, however many indexes are asked for.
//
// Faults: each call asks for an injected fault on the full path of the key it works on, first as the key
// is stored ("HKEY_LOCAL_MACHINE\SOFTWARE\Classes\X", "HKEY_USERS\<user>\Software") and then, when the
// program reached it through HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_CURRENT_CONFIG, under that name
// ("HKEY_CLASSES_ROOT\X"). A test can so make one key fail whichever way a program names it.
//
// On Windows 2000 and XP HKEY_CLASSES_ROOT is a merged view: each key reached through it has a machine part
// below HKEY_LOCAL_MACHINE\SOFTWARE\Classes and a user part below the user's Software\Classes, either of
// which may be missing. Its subkeys and values are those of both, the user's hiding the machine's of the
// same name. A new key goes to the machine's part; a value goes to the user's part when the key has one,
// else to the machine's. Deleting a key deletes both parts, deleting a value deletes it where it is seen.
// The machine part is the key's stored path, for its rights and its faults; its faults are also looked up
// under the user part's path.
//
// Limits: creating a key with a name of more than 255 characters, or more than 512 levels below its
// stored root, fails with ERROR_INVALID_PARAMETER, as does setting a value whose name is longer than the
// system takes (255 characters on Windows 9x, 260 through the ANSI calls of Windows 2000, 16,383 else).
// Opening such a key finds nothing.
//
// Security follows Windows NT: a handle allows what it was opened for; a user who is not an
// administrator cannot open keys below HKEY_LOCAL_MACHINE for writing nor delete them there. Windows 9x
// has no registry security: access masks are not checked and RegDeleteKeyA removes whole subtrees.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"
#include "windows.h"

namespace {

using platform::Machine;
using platform::RegistryStore;
using platform::RegistrySubkey;
using platform::RegistryValue;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE;
// What Windows NT reports as the size of a key's security descriptor.
constexpr DWORD kSecurityDescriptorSize = 144;

struct OpenKey {
    std::int64_t id = 0;
    std::string storedPath;  // from a stored root: "HKEY_LOCAL_MACHINE\SOFTWARE\Classes\.txt"
    std::string namedPath;   // as the program reached it: "HKEY_CLASSES_ROOT\.txt"
    REGSAM access = 0;
    bool root = false;  // a stored root or the place a predefined handle stands for
    // A key of the merged HKEY_CLASSES_ROOT: its user part's stored path and row id, 0 while the user part
    // (or, for `id`, the machine part) does not exist.
    bool merged = false;
    std::string userPath;
    std::int64_t userId = 0;

    std::mutex mutex;
    std::uint64_t generation = ~0ull;
    bool deleted = false;
    std::optional<std::vector<RegistrySubkey>> subkeys;
    std::optional<std::vector<RegistryValue>> values;
};

using KeyPointer = std::shared_ptr<OpenKey>;

struct HandleTable {
    std::mutex mutex;
    std::string machineFolder;
    std::unordered_map<ULONG_PTR, KeyPointer> open;
    std::unordered_map<ULONG_PTR, KeyPointer> predefined;
    ULONG_PTR next = 0x100;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

const char* PredefinedName(ULONG_PTR handle) {
    if (handle == reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT)) return "HKEY_CLASSES_ROOT";
    if (handle == reinterpret_cast<ULONG_PTR>(HKEY_CURRENT_USER)) return "HKEY_CURRENT_USER";
    if (handle == reinterpret_cast<ULONG_PTR>(HKEY_LOCAL_MACHINE)) return "HKEY_LOCAL_MACHINE";
    if (handle == reinterpret_cast<ULONG_PTR>(HKEY_USERS)) return "HKEY_USERS";
    if (handle == reinterpret_cast<ULONG_PTR>(HKEY_PERFORMANCE_DATA)) return "HKEY_PERFORMANCE_DATA";
    if (handle == reinterpret_cast<ULONG_PTR>(HKEY_CURRENT_CONFIG)) return "HKEY_CURRENT_CONFIG";
    if (handle == reinterpret_cast<ULONG_PTR>(HKEY_DYN_DATA)) return "HKEY_DYN_DATA";
    return nullptr;
}

bool UnderLocalMachine(const std::string& storedPath) {
    return storedPath.compare(0, 18, "HKEY_LOCAL_MACHINE") == 0;
}

// What one call works with: the machine, this thread's connection to its registry, the rules in force.
struct Call {
    Call() : machine(Machine::Current()), store(RegistryStore::For(machine)) {}
    Machine& machine;
    RegistryStore& store;
    bool nt() const { return machine.IsNT(); }
    // Registry keys below HKEY_LOCAL_MACHINE are read-only for a user of Windows NT without
    // administrator rights.
    bool LocalMachineLocked(const std::string& storedPath) const {
        return nt() && !machine.settings().administrator && UnderLocalMachine(storedPath);
    }
    // Whether the handle's access allows the right (always on Windows 9x).
    bool Allows(const OpenKey& key, REGSAM right) const { return !nt() || (key.access & right) != 0; }
};

LONG Lookup(Call& call, HKEY handle, KeyPointer& key) {
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.machineFolder != call.machine.folder().native()) {
        // The process moved to another machine: the handles of the previous one mean nothing here.
        table.open.clear();
        table.predefined.clear();
        table.machineFolder = call.machine.folder().native();
    }
    auto value = reinterpret_cast<ULONG_PTR>(handle);
    if (auto found = table.open.find(value); found != table.open.end()) {
        key = found->second;
        return ERROR_SUCCESS;
    }
    const char* rootName = PredefinedName(value);
    if (!rootName) return ERROR_INVALID_HANDLE;
    if (auto found = table.predefined.find(value); found != table.predefined.end()) {
        key = found->second;
        return ERROR_SUCCESS;
    }
    std::optional<std::string> stored = platform::RealRootPath(call.machine.settings(), rootName);
    if (!stored) return ERROR_INVALID_HANDLE;
    std::optional<std::int64_t> id = call.store.FindKey(*stored);
    if (!id) return ERROR_FILE_NOT_FOUND;
    key = std::make_shared<OpenKey>();
    key->id = *id;
    key->storedPath = *stored;
    key->namedPath = rootName;
    key->root = true;
    if (value == reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT)) {
        if (std::optional<std::string> user = platform::UserClassesPath(call.machine.settings())) {
            key->merged = true;
            key->userPath = *user;
            key->userId = call.store.FindKey(*user).value_or(0);
        }
    }
    key->access = call.LocalMachineLocked(*stored) && key->userId == 0 ? KEY_READ : KEY_ALL_ACCESS;
    table.predefined[value] = key;
    return ERROR_SUCCESS;
}

HKEY AddHandle(const KeyPointer& key) {
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    ULONG_PTR value = table.next;
    table.next += 4;
    table.open[value] = key;
    return reinterpret_cast<HKEY>(value);
}

// Drops what the handle remembers when some process wrote to the registry since, and tells whether its
// key still exists. The caller holds the key's mutex.
LONG Refresh(Call& call, OpenKey& key) {
    std::uint64_t generation = call.machine.counters().Read(platform::SharedCounter::Registry);
    if (generation != key.generation) {
        key.subkeys.reset();
        key.values.reset();
        if (key.merged) {
            // Either part may have come or gone since: the key is deleted once neither is left.
            key.id = call.store.FindKey(key.storedPath).value_or(0);
            key.userId = call.store.FindKey(key.userPath).value_or(0);
            key.deleted = key.id == 0 && key.userId == 0;
        } else if (!key.deleted) {
            key.deleted = !call.store.Key(key.id).has_value();
        }
        key.generation = generation;
    }
    return key.deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

// The part of a key whose class and write time the calls report, and that takes its values: the user's
// part of a merged key when there is one.
std::int64_t ValueKey(const OpenKey& key) { return key.userId != 0 ? key.userId : key.id; }

// Either list is read together with the other: a program that enumerates one usually enumerates both.
void LoadContents(Call& call, OpenKey& key) {
    if (!key.merged || key.id == 0 || key.userId == 0) {
        platform::RegistryKeyContents contents = call.store.Contents(ValueKey(key));
        key.subkeys = std::move(contents.subkeys);
        key.values = std::move(contents.values);
        return;
    }
    platform::RegistryKeyContents user = call.store.Contents(key.userId);
    platform::RegistryKeyContents machine = call.store.Contents(key.id);
    // Both lists are in name order: one pass takes each name once, the user's where both have it.
    std::vector<RegistrySubkey> subkeys;
    subkeys.reserve(user.subkeys.size() + machine.subkeys.size());
    std::size_t userIndex = 0, machineIndex = 0;
    while (userIndex < user.subkeys.size() || machineIndex < machine.subkeys.size()) {
        if (machineIndex == machine.subkeys.size()) {
            subkeys.push_back(std::move(user.subkeys[userIndex++]));
            continue;
        }
        if (userIndex == user.subkeys.size()) {
            subkeys.push_back(std::move(machine.subkeys[machineIndex++]));
            continue;
        }
        int order = platform::CompareNoCase(user.subkeys[userIndex].name, machine.subkeys[machineIndex].name);
        if (order <= 0) {
            if (order == 0) ++machineIndex;
            subkeys.push_back(std::move(user.subkeys[userIndex++]));
        } else {
            subkeys.push_back(std::move(machine.subkeys[machineIndex++]));
        }
    }
    std::vector<RegistryValue> values = std::move(user.values);
    std::size_t userValues = values.size();
    for (RegistryValue& value : machine.values) {
        bool hidden = std::any_of(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(userValues),
                                  [&](const RegistryValue& mine) {
                                      return platform::EqualsNoCase(mine.name, value.name);
                                  });
        if (!hidden) values.push_back(std::move(value));
    }
    key.subkeys = std::move(subkeys);
    key.values = std::move(values);
}

const std::vector<RegistrySubkey>& Subkeys(Call& call, OpenKey& key) {
    if (!key.subkeys) LoadContents(call, key);
    return *key.subkeys;
}

const std::vector<RegistryValue>& Values(Call& call, OpenKey& key) {
    if (!key.values) LoadContents(call, key);
    return *key.values;
}

std::string JoinPath(const std::string& base, const std::vector<std::string_view>& parts) {
    std::string path = base;
    for (std::string_view part : parts) {
        path.push_back('\\');
        path.append(part);
    }
    return path;
}

LONG Fault(const std::string& storedPath, const std::string& namedPath, std::string_view operation,
           const std::string& userPath = std::string()) {
    DWORD error = platform::InjectedFault(platform::fault_target::kRegistry, storedPath, operation);
    if (error == 0 && !userPath.empty()) {
        error = platform::InjectedFault(platform::fault_target::kRegistry, userPath, operation);
    }
    if (error == 0 && namedPath != storedPath) {
        error = platform::InjectedFault(platform::fault_target::kRegistry, namedPath, operation);
    }
    return static_cast<LONG>(error);
}

std::optional<std::int64_t> FindPathBelow(Call& call, std::int64_t id, const std::vector<std::string_view>& parts) {
    for (std::string_view part : parts) {
        std::optional<std::int64_t> child = call.store.FindSubkey(id, part);
        if (!child) return std::nullopt;
        id = *child;
    }
    return id;
}

// The id of the subkey path below the key, or nothing. The first step uses the key's list of subkeys
// when it holds one (a walk that enumerated the key first).
std::optional<std::int64_t> FindBelow(Call& call, OpenKey& key, const std::vector<std::string_view>& parts) {
    if (parts.empty() || !key.subkeys || key.merged) return FindPathBelow(call, key.id, parts);
    const auto& list = *key.subkeys;
    auto found = std::lower_bound(list.begin(), list.end(), parts[0],
                                  [](const RegistrySubkey& subkey, std::string_view name) {
                                      return platform::CompareNoCase(subkey.name, name) < 0;
                                  });
    if (found == list.end() || !platform::EqualsNoCase(found->name, parts[0])) return std::nullopt;
    return FindPathBelow(call, found->id, std::vector<std::string_view>(parts.begin() + 1, parts.end()));
}

// Both parts of the path below a key: for a key outside the merged view only `machine` is used.
struct FoundParts {
    std::optional<std::int64_t> machine;
    std::optional<std::int64_t> user;
    bool exists() const { return machine || user; }
};

FoundParts FindParts(Call& call, OpenKey& key, const std::vector<std::string_view>& parts) {
    FoundParts found;
    if (!key.merged) {
        found.machine = FindBelow(call, key, parts);
        return found;
    }
    if (key.id != 0) found.machine = FindPathBelow(call, key.id, parts);
    if (key.userId != 0) found.user = FindPathBelow(call, key.userId, parts);
    return found;
}

KeyPointer MakeChild(const OpenKey& parent, const FoundParts& found, const std::vector<std::string_view>& parts,
                     REGSAM access) {
    auto key = std::make_shared<OpenKey>();
    key->id = found.machine.value_or(0);
    key->storedPath = JoinPath(parent.storedPath, parts);
    key->namedPath = JoinPath(parent.namedPath, parts);
    key->access = access;
    key->root = parent.root && parts.empty();
    if (parent.merged) {
        key->merged = true;
        key->userPath = JoinPath(parent.userPath, parts);
        key->userId = found.user.value_or(0);
    }
    return key;
}

// Creates the key at a full stored path, with what is missing above it.
std::int64_t CreateAtPath(Call& call, const std::string& storedPath, std::string_view className) {
    std::vector<std::string_view> parts = platform::SplitKeyPath(storedPath);
    std::int64_t root = *call.store.RootId(parts.front());
    return call.store.CreateKey(root, std::vector<std::string_view>(parts.begin() + 1, parts.end()), className).id;
}

// Copies a name and its terminator when they fit in `size` characters.
bool CopyName(const std::string& name, LPSTR buffer, DWORD size) {
    if (name.size() >= size) return false;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return true;
}

void SetFileTime(PFILETIME time, std::int64_t ticks) {
    if (!time) return;
    time->dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    time->dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
}

// Runs a call; a failure of the store itself (a broken or unreadable registry.db) becomes the error
// Windows gives for an unreadable hive.
template <typename Body>
LONG Guarded(Body&& body) {
    try {
        return body();
    } catch (const std::exception&) {
        return ERROR_REGISTRY_IO_FAILED;
    }
}

// Runs `body` on the key behind the handle, under the key's lock, once the key is current, no fault is
// set for the operation and the handle allows `access`: the common start of the calls on an open key.
template <typename Body>
LONG WithOpenKey(HKEY hKey, std::string_view operation, REGSAM access, Body&& body) {
    return Guarded([&]() -> LONG {
        Call call;
        KeyPointer key;
        if (LONG error = Lookup(call, hKey, key)) return error;
        std::lock_guard<std::mutex> lock(key->mutex);
        if (LONG error = Refresh(call, *key)) return error;
        if (LONG error = Fault(key->storedPath, key->namedPath, operation, key->userPath)) return error;
        if (!call.Allows(*key, access)) return ERROR_ACCESS_DENIED;
        return body(call, key);
    });
}

// Opens (or, with create, creates) the path below a key. Shared by the Open and Create families.
LONG OpenOrCreate(HKEY parentHandle, LPCSTR subKey, REGSAM desired, bool create, LPCSTR className,
                  PHKEY result, LPDWORD disposition) {
    Call call;
    KeyPointer parent;
    if (LONG error = Lookup(call, parentHandle, parent)) return error;
    std::lock_guard<std::mutex> lock(parent->mutex);
    if (LONG error = Refresh(call, *parent)) return error;
    // Read before the key is looked up: the new handle knows its key existed at this generation.
    std::uint64_t generation = call.machine.counters().Read(platform::SharedCounter::Registry);
    std::string_view path = subKey ? subKey : "";
    // Windows NT refuses a path that starts at a backslash; Windows 9x skips it.
    if (call.nt() && !path.empty() && path.front() == '\\') return ERROR_BAD_PATHNAME;
    std::vector<std::string_view> parts = platform::SplitKeyPath(path);
    std::string storedPath = JoinPath(parent->storedPath, parts);
    std::string userPath = parent->merged ? JoinPath(parent->userPath, parts) : std::string();
    if (LONG error =
            Fault(storedPath, JoinPath(parent->namedPath, parts), create ? "create" : "open", userPath))
        return error;

    FoundParts found = FindParts(call, *parent, parts);
    // The user's part of a merged key is the user's to write.
    bool locked = call.LocalMachineLocked(storedPath) && !found.user;
    REGSAM access = desired;
    if (desired & MAXIMUM_ALLOWED) access = locked ? KEY_READ : KEY_ALL_ACCESS;
    if (locked && (access & kWriteRights)) return ERROR_ACCESS_DENIED;

    DWORD outcome = REG_OPENED_EXISTING_KEY;
    if (!found.exists()) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        if (platform::KeyPathBeyondLimits(storedPath)) return ERROR_INVALID_PARAMETER;
        if (locked || !call.Allows(*parent, KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        // A key created through the merged view goes to the machine's classes, with any of its parents
        // that only the user's classes have.
        found.machine = parent->merged ? CreateAtPath(call, storedPath, className ? className : "")
                                       : call.store.CreateKey(parent->id, parts, className ? className : "").id;
        outcome = REG_CREATED_NEW_KEY;
    }
    KeyPointer child = MakeChild(*parent, found, parts, access);
    if (outcome == REG_OPENED_EXISTING_KEY) child->generation = generation;
    *result = AddHandle(child);
    if (disposition) *disposition = outcome;
    return ERROR_SUCCESS;
}

// RegOpenKeyA and RegCreateKeyA, the old calls: the most access the user may have, and with no subkey
// the key they were given handed back.
LONG OldStyleOpen(HKEY hKey, LPCSTR lpSubKey, bool create, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    return Guarded([&]() -> LONG {
        if (!lpSubKey || !*lpSubKey) {
            Call call;
            KeyPointer key;
            if (LONG error = Lookup(call, hKey, key)) return error;
            *phkResult = hKey;
            return ERROR_SUCCESS;
        }
        return OpenOrCreate(hKey, lpSubKey, MAXIMUM_ALLOWED, create, nullptr, phkResult, nullptr);
    });
}

}  // namespace

extern "C" LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    return Guarded(
        [&] { return OpenOrCreate(hKey, lpSubKey, samDesired, false, nullptr, phkResult, nullptr); });
}

extern "C" LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    return OldStyleOpen(hKey, lpSubKey, false, phkResult);
}

extern "C" LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR lpClass, DWORD,
                                       REGSAM samDesired, LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                                       LPDWORD lpdwDisposition) {
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    return Guarded(
        [&] { return OpenOrCreate(hKey, lpSubKey, samDesired, true, lpClass, phkResult, lpdwDisposition); });
}

extern "C" LONG WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    return OldStyleOpen(hKey, lpSubKey, true, phkResult);
}

extern "C" LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                        LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return WithOpenKey(hKey, "query", KEY_QUERY_VALUE, [&](Call& call, KeyPointer& key) -> LONG {
        std::string_view name = lpValueName ? lpValueName : "";
        std::optional<RegistryValue> fetched;
        const RegistryValue* value = nullptr;
        if (key->merged && !key->values) LoadContents(call, *key);
        if (key->values) {
            for (const RegistryValue& candidate : *key->values) {
                if (platform::EqualsNoCase(candidate.name, name)) {
                    value = &candidate;
                    break;
                }
            }
        } else {
            fetched = call.store.Value(key->id, name);
            if (fetched) value = &*fetched;
        }
        if (!value) return ERROR_FILE_NOT_FOUND;
        if (lpType) *lpType = value->type;
        auto size = static_cast<DWORD>(value->data.size());
        if (!lpData) {
            if (lpcbData) *lpcbData = size;
            return ERROR_SUCCESS;
        }
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(lpData, value->data.data(), size);
        *lpcbData = size;
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                                      DWORD cbData) {
    if (!lpData && cbData) return ERROR_NOACCESS;
    return WithOpenKey(hKey, "set", KEY_SET_VALUE, [&](Call& call, KeyPointer& key) -> LONG {
        std::string_view name = lpValueName ? lpValueName : "";
        if (name.size() > platform::MaxValueNameLength(call.machine.settings())) return ERROR_INVALID_PARAMETER;
        call.store.SetValue(ValueKey(*key), name, dwType,
                            std::string_view(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0));
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                     LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                     PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    return WithOpenKey(hKey, "enum", KEY_ENUMERATE_SUB_KEYS, [&](Call& call, KeyPointer& key) -> LONG {
        const std::vector<RegistrySubkey>& subkeys = Subkeys(call, *key);
        if (dwIndex >= subkeys.size()) return ERROR_NO_MORE_ITEMS;
        const RegistrySubkey& subkey = subkeys[dwIndex];
        if (subkey.name.size() >= *lpcchName) return ERROR_MORE_DATA;
        if (lpClass && subkey.className.size() >= *lpcchClass) return ERROR_MORE_DATA;
        CopyName(subkey.name, lpName, *lpcchName);
        *lpcchName = static_cast<DWORD>(subkey.name.size());
        if (lpClass) {
            CopyName(subkey.className, lpClass, *lpcchClass);
            *lpcchClass = static_cast<DWORD>(subkey.className.size());
        }
        SetFileTime(lpftLastWriteTime, subkey.writeTime);
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    DWORD size = cchName;
    return RegEnumKeyExA(hKey, dwIndex, lpName, &size, nullptr, nullptr, nullptr, nullptr);
}

extern "C" LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                     LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    return WithOpenKey(hKey, "enum", KEY_QUERY_VALUE, [&](Call& call, KeyPointer& key) -> LONG {
        const std::vector<RegistryValue>& values = Values(call, *key);
        if (dwIndex >= values.size()) return ERROR_NO_MORE_ITEMS;
        const RegistryValue& value = values[dwIndex];
        if (!CopyName(value.name, lpValueName, *lpcchValueName)) return ERROR_MORE_DATA;
        *lpcchValueName = static_cast<DWORD>(value.name.size());
        if (lpType) *lpType = value.type;
        auto size = static_cast<DWORD>(value.data.size());
        if (!lpData) {
            if (lpcbData) *lpcbData = size;
            return ERROR_SUCCESS;
        }
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(lpData, value.data.data(), size);
        *lpcbData = size;
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                        LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                        LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                        LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                        PFILETIME lpftLastWriteTime) {
    if (lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    return WithOpenKey(hKey, "info", KEY_QUERY_VALUE, [&](Call& call, KeyPointer& key) -> LONG {
        std::optional<platform::RegistryKeyRecord> record = call.store.Key(ValueKey(*key));
        if (!record) return ERROR_KEY_DELETED;
        if (lpClass) {
            if (record->className.size() >= *lpcchClass) {
                *lpcchClass = static_cast<DWORD>(record->className.size());
                return ERROR_MORE_DATA;
            }
            CopyName(record->className, lpClass, *lpcchClass);
        }
        if (lpcchClass) *lpcchClass = static_cast<DWORD>(record->className.size());

        DWORD maxSubkey = 0, maxClass = 0, maxValueName = 0, maxValue = 0;
        const std::vector<RegistrySubkey>& subkeys = Subkeys(call, *key);
        for (const RegistrySubkey& subkey : subkeys) {
            maxSubkey = std::max(maxSubkey, static_cast<DWORD>(subkey.name.size()));
            maxClass = std::max(maxClass, static_cast<DWORD>(subkey.className.size()));
        }
        const std::vector<RegistryValue>& values = Values(call, *key);
        for (const RegistryValue& value : values) {
            maxValueName = std::max(maxValueName, static_cast<DWORD>(value.name.size()));
            maxValue = std::max(maxValue, static_cast<DWORD>(value.data.size()));
        }
        if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(subkeys.size());
        if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSubkey;
        if (lpcbMaxClassLen) *lpcbMaxClassLen = maxClass;
        if (lpcValues) *lpcValues = static_cast<DWORD>(values.size());
        if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxValueName;
        if (lpcbMaxValueLen) *lpcbMaxValueLen = maxValue;
        if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = call.nt() ? kSecurityDescriptorSize : 0;
        SetFileTime(lpftLastWriteTime, record->writeTime);
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    return Guarded([&]() -> LONG {
        Call call;
        KeyPointer key;
        if (LONG error = Lookup(call, hKey, key)) return error;
        std::lock_guard<std::mutex> lock(key->mutex);
        if (LONG error = Refresh(call, *key)) return error;
        std::vector<std::string_view> parts = platform::SplitKeyPath(lpSubKey);
        std::string storedPath = JoinPath(key->storedPath, parts);
        std::string userPath = key->merged ? JoinPath(key->userPath, parts) : std::string();
        if (LONG error = Fault(storedPath, JoinPath(key->namedPath, parts), "deletekey", userPath)) return error;
        FoundParts found = FindParts(call, *key, parts);
        if (!found.exists()) return ERROR_FILE_NOT_FOUND;
        // The roots, and the keys the predefined handles stand for, stay.
        if (key->root && parts.empty()) return ERROR_ACCESS_DENIED;
        if (found.machine && call.LocalMachineLocked(storedPath)) return ERROR_ACCESS_DENIED;
        if (call.nt()) {
            for (const std::optional<std::int64_t>& part : {found.machine, found.user}) {
                if (part && call.store.HasSubkeys(*part)) return ERROR_ACCESS_DENIED;
            }
        }
        // Both parts of a merged key go, as one change.
        RegistryStore::Batch batch(call.store);
        if (found.user) call.store.DeleteKeyTree(*found.user);
        if (found.machine) call.store.DeleteKeyTree(*found.machine);
        batch.Commit();
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return WithOpenKey(hKey, "deletevalue", KEY_SET_VALUE, [&](Call& call, KeyPointer& key) -> LONG {
        std::string_view name = lpValueName ? lpValueName : "";
        // The value the merged view shows: the user's part's when it has one of that name.
        if (key->merged && key->userId != 0 && call.store.DeleteValue(key->userId, name)) return ERROR_SUCCESS;
        if (key->id == 0 || !call.store.DeleteValue(key->id, name)) return ERROR_FILE_NOT_FOUND;
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegCloseKey(HKEY hKey) {
    return Guarded([&]() -> LONG {
        Call call;
        auto value = reinterpret_cast<ULONG_PTR>(hKey);
        if (const char* rootName = PredefinedName(value)) {
            return platform::RealRootPath(call.machine.settings(), rootName) ? ERROR_SUCCESS
                                                                             : ERROR_INVALID_HANDLE;
        }
        HandleTable& table = Handles();
        std::lock_guard<std::mutex> lock(table.mutex);
        if (table.machineFolder != call.machine.folder().native()) return ERROR_INVALID_HANDLE;
        if (!table.open.erase(value)) return ERROR_INVALID_HANDLE;
        // The program is done with the registry for now.
        if (table.open.empty()) call.store.ReleaseSnapshot();
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegFlushKey(HKEY hKey) {
    // Every write is committed before its call returns; there is nothing left to flush.
    return Guarded([&]() -> LONG {
        Call call;
        KeyPointer key;
        if (LONG error = Lookup(call, hKey, key)) return error;
        std::lock_guard<std::mutex> lock(key->mutex);
        return Refresh(call, *key);
    });
}
