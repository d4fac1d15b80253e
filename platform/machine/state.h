// state.db: faults to inject, 8.3 short names given out, pending boot operations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "windef.h"

namespace platform {

class Machine;
class SqliteDatabase;

void CreateStateTables(SqliteDatabase& database);

// What a fault targets. The object is a Windows path for files and folders, a full key path
// ("HKEY_LOCAL_MACHINE\SOFTWARE\X") for registry keys, a name for the rest. An object ending in "\*"
// covers everything below that path; "*" as operation covers every operation.
//
// File objects are full paths in their long form, with the names as stored where they exist and as
// written where they do not ("C:\Program Files\X\new.ini", whether the program wrote
// "C:\PROGRA~1\x\NEW.INI" or a relative path). The file operations are "open" (CreateFileA), "read",
// "write" (ReadFile, WriteFile, SetEndOfFile on an open file), "delete", "attributes",
// "setattributes", "createdirectory", "removedirectory", "copy" and "move" (on the source or the
// destination), and "find" (the object is the search: folder and pattern, "C:\WINDOWS\*.ini").
namespace fault_target {
inline constexpr std::string_view kFile = "file";
inline constexpr std::string_view kRegistry = "registry";
// CreateThread: the object is the program's module path, the operation "create".
inline constexpr std::string_view kThread = "thread";
// OpenProcessToken, LookupPrivilegeValueA, AdjustTokenPrivileges: the object is the program's module
// path, the operation "open", "lookup" or "adjust". ERROR_NOT_ALL_ASSIGNED on "adjust" makes the call
// succeed without enabling anything, as for a privilege the user does not hold.
inline constexpr std::string_view kToken = "token";
// Plug and Play devices: the object is a device instance id ("USB\VID_04B8&PID_0005\1"), the operation
// "remove" (SetupDiRemoveDevice, DIF_REMOVE). The object "pending installation" with the operation "wait"
// makes CMP_WaitNoPendingInstallEvents find an installation still pending.
inline constexpr std::string_view kDevice = "device";
// The print spooler: the object is the call's name ("EnumPrintersA") with the operation "call" (the call
// fails with the error) or "grow" (the list grows between a size query and the read), or a printer's
// name with the operation "OpenPrinter".
inline constexpr std::string_view kSpooler = "spooler";
// Windows NT services: the object is the service's name, the operation "open" (OpenServiceA), "stop"
// (ControlService with SERVICE_CONTROL_STOP: a service that refuses to stop stays running) or "delete"
// (DeleteService).
inline constexpr std::string_view kService = "service";
// The removable-storage manager (ntmsapi.dll): the object "session" with the operation "open"
// (OpenNtmsSessionA fails with the error: ERROR_SERVICE_DISABLED, ERROR_NOT_CONNECTED, ERROR_NOT_READY
// for a service still starting, counted to let a later attempt in), the object "drives" with the
// operation "enumerate" (EnumerateNtmsObject of the drives), or a drive's id ("{...}") with the operation
// "information" (GetNtmsObjectInformationA) or "delete" (DeleteNtmsDrive).
inline constexpr std::string_view kRemovableStorage = "removable storage";
// LocalAlloc and GlobalAlloc: the object is the program's module path, the operation "allocate"; the
// call returns NULL with the error (ERROR_NOT_ENOUGH_MEMORY), as when the heap is exhausted.
inline constexpr std::string_view kHeap = "heap";
}  // namespace fault_target

struct FaultRule {
    std::string target;
    std::string object;
    std::string operation;
    DWORD error = 0;
    int remaining = -1;  // -1: always
};

// Makes the operation on the object fail with the error, `times` times or (times < 0) always.
void AddFault(Machine& machine, std::string_view target, std::string_view object, std::string_view operation,
              DWORD error, int times = -1);
void ClearFaults(Machine& machine);
std::vector<FaultRule> ListFaults(Machine& machine);

// The error an operation must fail with, or 0. A counted fault is used up by each hit. Cheap when no
// fault is set: the rules are cached and reread only when some process changed them.
DWORD InjectedFault(std::string_view target, std::string_view object, std::string_view operation);

// Plug and Play devices whose removal asks for a restart: after removing the device, SetupAPI sets these
// flags (DI_NEEDRESTART, DI_NEEDREBOOT) in its install parameters. 0 for a device nobody chose.
void SetDeviceRemovalRestart(Machine& machine, std::string_view instanceId, DWORD flags);
DWORD DeviceRemovalRestart(Machine& machine, std::string_view instanceId);

// A file operation that Windows carries out at the next start (MoveFileExA with
// MOVEFILE_DELAY_UNTIL_REBOOT). An empty destination deletes the source.
struct BootOperation {
    std::string source;
    std::string destination;
    DWORD flags = 0;
};
void AddBootOperation(Machine& machine, const BootOperation& operation);
std::vector<BootOperation> ListBootOperations(Machine& machine);
void ClearBootOperations(Machine& machine);

}  // namespace platform
