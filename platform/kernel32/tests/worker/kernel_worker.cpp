// Kernel objects and the clock seen from another process of the machine named by WINMACHINE, for the tests.
//   kernel_worker hold <mutex> <ms>   takes the mutex, writes "held", keeps it that long, releases it
//   kernel_worker exit <mutex>        takes the mutex, writes "held" and ends the process holding it
//   kernel_worker hang <mutex>        takes the mutex, writes "held" and waits to be killed
//   kernel_worker wait <mutex>        waits for the mutex; the exit code is what the wait returned
//   kernel_worker create <mutex>      CreateMutexA; writes the last error
//   kernel_worker set <event>         OpenEventA and SetEvent
//   kernel_worker sleep <ms>          writes time(), then sleeps
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tchar.h"
#include "windows.h"

namespace {

HANDLE TakeMutex(const char* name) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex || WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "kernel_worker: cannot take %s (%u)\n", name, GetLastError());
        std::exit(1);
    }
    std::printf("held\n");
    std::fflush(stdout);
    return mutex;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "hold" && argc == 4) {
        HANDLE mutex = TakeMutex(argv[2]);
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        return ReleaseMutex(mutex) ? 0 : 1;
    }
    if (command == "exit" && argc == 3) {
        TakeMutex(argv[2]);
        ::_exit(0);
    }
    if (command == "hang" && argc == 3) {
        TakeMutex(argv[2]);
        for (;;) ::pause();
    }
    if (command == "wait" && argc == 3) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, argv[2]);
        return static_cast<int>(WaitForSingleObject(mutex, INFINITE));
    }
    if (command == "create" && argc == 3) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, argv[2]);
        std::printf("%u\n", mutex ? GetLastError() : 0xFFFFFFFFu);
        return 0;
    }
    if (command == "set" && argc == 3) {
        HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
        return event && SetEvent(event) ? 0 : 1;
    }
    if (command == "sleep" && argc == 3) {
        std::printf("%lld\n", static_cast<long long>(time(nullptr)));
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
        return 0;
    }
    std::fprintf(stderr, "usage: kernel_worker hold|exit|hang|wait|create|set|sleep ...\n");
    return 2;
}
