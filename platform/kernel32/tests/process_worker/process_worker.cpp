// A program of the machine for the process tests, started through a stub with CreateProcessA.
//   process_worker exit <code>  returns that code from main (the host keeps its low eight bits)
//   process_worker exitprocess <code>  ends through ExitProcess with that code
//   process_worker sleep <ms>   sleeps, then ends with 0 (4294967295: never ends)
//   process_worker thread <ms>  sleeps that long on a thread of its own, waits for it, then ends with 0
//   process_worker hold <file> <ms>  opens the file for reading (others may read), writes "held",
//                               keeps it open that long, then closes it and ends
//   process_worker chdir <folder> <ms> <next folder> <ms>  makes the folder its current folder, writes
//                               "in", waits, moves to the next folder, writes "moved", waits, then ends
//   process_worker create <file> | delete <file> | move <from> <to>  makes a new empty file, deletes
//                               the file or moves it; ends with 0 when that was done
//   process_worker ...          writes its module path, command line and current folder, one a line
#include <cstdio>
#include <cstdlib>
#include <string>

#include "windows.h"

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "exit" && argc == 3) return std::atoi(argv[2]);
    if (command == "exitprocess" && argc == 3) ExitProcess(static_cast<UINT>(std::strtoul(argv[2], nullptr, 10)));
    if (command == "sleep" && argc == 3) {
        Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
        return 0;
    }
    if (command == "thread" && argc == 3) {
        static DWORD milliseconds = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
        HANDLE thread = CreateThread(
            nullptr, 0,
            [](LPVOID) -> DWORD {
                Sleep(milliseconds);
                return 0;
            },
            nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        return 0;
    }
    if (command == "hold" && argc == 4) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        CloseHandle(file);
        return 0;
    }
    if (command == "chdir" && argc == 6) {
        if (!SetCurrentDirectoryA(argv[2])) return 1;
        std::printf("in\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        if (!SetCurrentDirectoryA(argv[4])) return 1;
        std::printf("moved\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[5])));
        return 0;
    }
    if (command == "create" && argc == 3) {
        HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        return file != INVALID_HANDLE_VALUE && CloseHandle(file) ? 0 : 1;
    }
    if (command == "delete" && argc == 3) return DeleteFileA(argv[2]) ? 0 : 1;
    if (command == "move" && argc == 4) return MoveFileA(argv[2], argv[3]) ? 0 : 1;
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::printf("%s\n%s\n%s\n", module, GetCommandLineA(), folder);
    return 0;
}
