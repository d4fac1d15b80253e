// The library's named mutex and events seen from another process of the machine named by WINMACHINE,
// for the tests.
//   ipc_worker hold <name> <ms>     CMutex::CreateOpen(name), takes it, writes "held", keeps it that long
//   ipc_worker create <name>        CMutex::CreateOpen(name) refusing an existing mutex; writes "null" or
//                                   "handle", and the last error
//   ipc_worker set <name>           CIPCEvent::Open(name) and Set(1)
//   ipc_worker wait <name> <ms>     CIPCEvent::Open(name), writes "waiting", then Wait(ms); writes what
//                                   the wait returned
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CIPCEvent.h"
#include "CMutex.h"

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "hold" && argc == 4) {
        CMutex mutex;
        if (!mutex.CreateOpen(argv[2], NULL, NULL, 0, 0, 1) || mutex.Wait(INFINITE) != WAIT_OBJECT_0)
            return 1;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        return mutex.Release() ? 0 : 1;
    }
    if (command == "create" && argc == 3) {
        CMutex mutex;
        HANDLE handle = mutex.CreateOpen(argv[2], NULL, NULL, 1, 0, 1);
        DWORD error = GetLastError();
        std::printf("%s\n%u\n", handle ? "handle" : "null", static_cast<unsigned int>(error));
        return 0;
    }
    if (command == "set" && argc == 3) {
        CIPCEvent event;
        return event.Open(argv[2]) && event.Set(1) ? 0 : 1;
    }
    if (command == "wait" && argc == 4) {
        CIPCEvent event;
        if (!event.Open(argv[2])) return 1;
        std::printf("waiting\n");
        std::fflush(stdout);
        unsigned long result = WaitForSingleObject(event, static_cast<unsigned long>(std::atol(argv[3])));
        std::printf("%lu\n", result);
        return 0;
    }
    std::fprintf(stderr, "usage: ipc_worker hold|create|set|wait ...\n");
    return 2;
}
