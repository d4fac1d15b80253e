// A program of the machine for the tests of messages and windows across processes, started through a
// stub with CreateProcessA. What it receives goes, one line each, to the file beside its program named
// with ".msg".
//   window_worker receive        makes its message queue and takes messages until WM_QUIT, writing
//                                "<message> <wParam> <lParam>" for each; ends with WM_QUIT's code
//   window_worker window <title> makes a top-level window with that title and runs its message loop;
//                                the window writes "WM_CLOSE" when asked to close and ends the loop
//                                with code 5 when it is destroyed
//   window_worker sleep <ms>     sleeps without ever making a message queue, then ends with 0
#include <cstdlib>
#include <string>

#include "windows.h"

namespace {

std::string MessageFile() {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    return path.substr(0, path.rfind('.')) + ".msg";
}

void AppendLine(const std::string& line) {
    HANDLE file = CreateFileA(MessageFile().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK WorkerWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) AppendLine("WM_CLOSE");
    if (message == WM_DESTROY) PostQuitMessage(5);
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunMessageLoop(bool record) {
    MSG message{};
    BOOL result = 0;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        if (record) {
            AppendLine(std::to_string(message.message) + " " + std::to_string(message.wParam) + " " +
                       std::to_string(message.lParam));
        }
        DispatchMessageA(&message);
    }
    return result < 0 ? 1 : static_cast<int>(message.wParam);
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "receive") return RunMessageLoop(true);
    if (command == "window" && argc == 3) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WorkerWindow;
        windowClass.lpszClassName = "WorkerWindow";
        RegisterClassA(&windowClass);
        if (!CreateWindowExA(0, "WorkerWindow", argv[2], WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             nullptr, nullptr))
            return 1;
        return RunMessageLoop(false);
    }
    if (command == "sleep" && argc == 3) {
        Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
        return 0;
    }
    return 2;
}
