// Sessions with the removable-storage manager and the drives of its database, over the machine's store.
// Only drives are kept: an enumeration of any other kind of object finds none.
#include "platform/machine/storage/removable_storage.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ntmsapi.h"
#include "platform/machine/guid_text.h"
#include "platform/machine/machine.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"
#include "windows.h"

namespace {

using platform::Machine;
namespace storage = platform::removable_storage;

static_assert(sizeof(NTMS_OBJECTINFORMATIONA) == 896, "the object information has Windows' size");

// Session handles are small multiples of four above this value, apart from the kernel's handles.
constexpr ULONG_PTR kSessionHandleBase = 0x70000;

HANDLE SessionHandle(std::int64_t record) {
    return reinterpret_cast<HANDLE>(kSessionHandleBase + static_cast<ULONG_PTR>(record) * 4);
}

// The session record of a handle this process opened and has not closed.
std::optional<std::int64_t> SessionOf(HANDLE session) {
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(session);
    if (value <= kSessionHandleBase || (value - kSessionHandleBase) % 4 != 0) return std::nullopt;
    std::int64_t record = static_cast<std::int64_t>((value - kSessionHandleBase) / 4);
    if (!storage::IsOpenSession(Machine::Current(), record)) return std::nullopt;
    return record;
}

DWORD InjectedFault(std::string_view object, std::string_view operation) {
    return platform::InjectedFault(platform::fault_target::kRemovableStorage, object, operation);
}

void CopyText(char* field, std::size_t size, const std::string& text) {
    std::size_t length = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}  // namespace

// The manager of the machine itself: a null server name or the computer's own name.
extern "C" HANDLE WINAPI OpenNtmsSessionA(LPCSTR lpServer, LPCSTR, DWORD dwOptions) {
    Machine& machine = Machine::Current();
    DWORD error = 0;
    if (dwOptions != 0) {
        error = ERROR_INVALID_PARAMETER;
    } else if (lpServer && *lpServer && !platform::EqualsNoCase(lpServer, machine.settings().computerName)) {
        error = ERROR_NOT_CONNECTED;
    } else {
        error = InjectedFault("session", "open");
    }
    if (error) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    return SessionHandle(storage::RecordSession(machine));
}

extern "C" DWORD WINAPI CloseNtmsSession(HANDLE hSession) {
    std::optional<std::int64_t> record = SessionOf(hSession);
    if (!record) return ERROR_INVALID_HANDLE;
    storage::ForgetSession(Machine::Current(), *record);
    return ERROR_SUCCESS;
}

// The ids of every object of the type; a list too short for them gets as many as fit, the count needed,
// and ERROR_INSUFFICIENT_BUFFER. The drives belong to no container this manager knows.
extern "C" DWORD WINAPI EnumerateNtmsObject(HANDLE hSession, const LPNTMS_GUID lpContainerId,
                                            LPNTMS_GUID lpList, LPDWORD lpdwListSize, DWORD dwType, DWORD) {
    if (!SessionOf(hSession)) return ERROR_INVALID_HANDLE;
    if (!lpdwListSize || (!lpList && *lpdwListSize != 0)) return ERROR_INVALID_PARAMETER;
    if (lpContainerId) return ERROR_OBJECT_NOT_FOUND;
    if (dwType != NTMS_DRIVE) {
        *lpdwListSize = 0;
        return ERROR_SUCCESS;
    }
    if (DWORD error = InjectedFault("drives", "enumerate")) return error;
    std::vector<storage::StorageDrive> drives = storage::ListDrives(Machine::Current());
    DWORD room = *lpdwListSize;
    for (DWORD index = 0; index < drives.size() && index < room; ++index) lpList[index] = drives[index].id;
    *lpdwListSize = static_cast<DWORD>(drives.size());
    return drives.size() > room ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS;
}

// The caller sets dwSize and dwType; the rest of the structure is filled in.
extern "C" DWORD WINAPI GetNtmsObjectInformationA(HANDLE hSession, const LPNTMS_GUID lpObjectId,
                                                  LPNTMS_OBJECTINFORMATIONA lpInfo) {
    if (!SessionOf(hSession)) return ERROR_INVALID_HANDLE;
    if (!lpObjectId || !lpInfo || lpInfo->dwSize != sizeof(NTMS_OBJECTINFORMATIONA))
        return ERROR_INVALID_PARAMETER;
    std::optional<storage::StorageDrive> drive = storage::FindDrive(Machine::Current(), *lpObjectId);
    if (!drive) return ERROR_OBJECT_NOT_FOUND;
    if (lpInfo->dwType != NTMS_DRIVE) return ERROR_INVALID_PARAMETER;
    if (DWORD error = InjectedFault(platform::GuidText(drive->id), "information")) return error;
    DWORD type = lpInfo->dwType;
    std::memset(lpInfo, 0, sizeof *lpInfo);
    lpInfo->dwSize = sizeof *lpInfo;
    lpInfo->dwType = type;
    lpInfo->ObjectGuid = drive->id;
    lpInfo->Enabled = TRUE;
    lpInfo->dwOperationalState = drive->operationalState;
    CopyText(lpInfo->szDescription, sizeof lpInfo->szDescription, drive->description);
    return ERROR_SUCCESS;
}

// Only a drive whose device is gone (NTMS_NOT_PRESENT) may leave the database.
extern "C" DWORD WINAPI DeleteNtmsDrive(HANDLE hSession, LPNTMS_GUID lpDriveId) {
    if (!SessionOf(hSession)) return ERROR_INVALID_HANDLE;
    if (!lpDriveId) return ERROR_INVALID_PARAMETER;
    Machine& machine = Machine::Current();
    std::optional<storage::StorageDrive> drive = storage::FindDrive(machine, *lpDriveId);
    if (!drive) return ERROR_INVALID_DRIVE;
    if (DWORD error = InjectedFault(platform::GuidText(drive->id), "delete")) return error;
    if (drive->operationalState != NTMS_NOT_PRESENT) return ERROR_INVALID_STATE;
    storage::DeleteDrive(machine, drive->id);
    return ERROR_SUCCESS;
}
