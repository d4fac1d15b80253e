// The entry points of kernel32.dll that LoadLibraryA and GetProcAddress hand out: the base services.
// Every function declared in winbase.h and tlhelp32.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "tlhelp32.h"
#include "windows.h"

#define KERNEL32_ENTRY_POINTS(X)      \
    X(GetLastError)                   \
    X(SetLastError)                   \
    X(FormatMessageA)                 \
    X(LocalAlloc)                     \
    X(LocalFree)                      \
    X(GlobalAlloc)                    \
    X(GlobalFree)                     \
    X(GlobalLock)                     \
    X(GlobalUnlock)                   \
    X(GetVersionExA)                  \
    X(GetVersion)                     \
    X(GetSystemDefaultLangID)         \
    X(GetUserDefaultLangID)           \
    X(GetSystemDefaultLCID)           \
    X(GetUserDefaultLCID)             \
    X(GetACP)                         \
    X(GetTickCount)                   \
    X(Sleep)                          \
    X(GetLocalTime)                   \
    X(GetSystemTime)                  \
    X(GetTimeZoneInformation)         \
    X(GetComputerNameA)               \
    X(GetModuleFileNameA)             \
    X(GetModuleHandleA)               \
    X(GetCommandLineA)                \
    X(LoadLibraryA)                   \
    X(LoadLibraryExA)                 \
    X(FreeLibrary)                    \
    X(GetProcAddress)                 \
    X(GetEnvironmentVariableA)        \
    X(SetEnvironmentVariableA)        \
    X(ExpandEnvironmentStringsA)      \
    X(GetCurrentDirectoryA)           \
    X(SetCurrentDirectoryA)           \
    X(GetWindowsDirectoryA)           \
    X(GetSystemDirectoryA)            \
    X(GetTempPathA)                   \
    X(GetShortPathNameA)              \
    X(GetLongPathNameA)               \
    X(GetFullPathNameA)               \
    X(GetLogicalDrives)               \
    X(GetDriveTypeA)                  \
    X(QueryDosDeviceA)                \
    X(GetFileAttributesA)             \
    X(SetFileAttributesA)             \
    X(CreateFileA)                    \
    X(ReadFile)                       \
    X(WriteFile)                      \
    X(GetFileSize)                    \
    X(SetFilePointer)                 \
    X(SetEndOfFile)                   \
    X(FlushFileBuffers)               \
    X(GetFileTime)                    \
    X(CloseHandle)                    \
    X(DeleteFileA)                    \
    X(CreateDirectoryA)               \
    X(RemoveDirectoryA)               \
    X(CopyFileA)                      \
    X(MoveFileA)                      \
    X(MoveFileExA)                    \
    X(FindFirstFileA)                 \
    X(FindNextFileA)                  \
    X(FindClose)                      \
    X(GetPrivateProfileStringA)       \
    X(GetPrivateProfileIntA)          \
    X(GetPrivateProfileSectionA)      \
    X(GetPrivateProfileSectionNamesA) \
    X(WritePrivateProfileStringA)     \
    X(WritePrivateProfileSectionA)    \
    X(GetProfileStringA)              \
    X(GetProfileIntA)                 \
    X(WriteProfileStringA)            \
    X(CreateThread)                   \
    X(ResumeThread)                   \
    X(GetExitCodeThread)              \
    X(ExitThread)                     \
    X(GetCurrentThreadId)             \
    X(GetCurrentProcessId)            \
    X(GetCurrentProcess)              \
    X(CreateProcessA)                 \
    X(GetExitCodeProcess)             \
    X(ExitProcess)                    \
    X(TerminateProcess)               \
    X(DuplicateHandle)                \
    X(WaitForSingleObject)            \
    X(WaitForMultipleObjects)         \
    X(CreateMutexA)                   \
    X(OpenMutexA)                     \
    X(ReleaseMutex)                   \
    X(CreateEventA)                   \
    X(OpenEventA)                     \
    X(SetEvent)                       \
    X(ResetEvent)                     \
    X(PulseEvent)                     \
    X(lstrlenA)                       \
    X(lstrcpyA)                       \
    X(lstrcpynA)                      \
    X(lstrcatA)                       \
    X(lstrcmpA)                       \
    X(lstrcmpiA)                      \
    X(IsDBCSLeadByte)                 \
    X(WideCharToMultiByte)            \
    X(MultiByteToWideChar)            \
    X(InitializeCriticalSection)      \
    X(InitializeCriticalSectionAndSpinCount) \
    X(EnterCriticalSection)           \
    X(TryEnterCriticalSection)        \
    X(LeaveCriticalSection)           \
    X(DeleteCriticalSection)          \
    X(InterlockedIncrement)           \
    X(InterlockedDecrement)           \
    X(InterlockedExchange)            \
    X(InterlockedCompareExchange)     \
    X(InterlockedExchangeAdd)         \
    X(FindResourceA)                  \
    X(FindResourceExA)                \
    X(LoadResource)                   \
    X(LockResource)                   \
    X(SizeofResource)                 \
    X(FreeResource)

// The machine's other processes: opening them and the tool help snapshots.
#define KERNEL32_PROCESS_TABLE_ENTRY_POINTS(X) \
    X(OpenProcess)                            \
    X(CreateToolhelp32Snapshot)               \
    X(Process32First)                         \
    X(Process32Next)

namespace {

const platform::PlatformLibraryRegistrar registrar("kernel32.dll", platform::LibraryLoad::AtStart,
                                                   {KERNEL32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)
                                                        KERNEL32_PROCESS_TABLE_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
