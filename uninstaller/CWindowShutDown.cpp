#include "CWindowShutDown.h"

#include <cstdio>
#include <string_view>

#include "Trace.h"

namespace {

constexpr char SECTION_NAME[] = "WindowShutdown";
constexpr char BAD_CONTEXT[] = "dynamic_cast<CWindowShutDown*>(myself)";
constexpr char TRACE_CANNOT_POST_CLOSE[] = "Cannot post message to %s.\n";
constexpr char TRACE_CANNOT_POST_QUIT[] = "Cannot post message to  %s.\n";
constexpr char ERROR_CANNOT_POST[] = "Cannot post message to  ";
constexpr char TRACE_DID_NOT_CLOSE[] = "Window didn't close  %s.\n";
constexpr char ERROR_DID_NOT_CLOSE[] = "Window didn't close  %s  ";
constexpr char LINE_END[] = "\r\n";
constexpr int TEXT_SIZE = 260;
constexpr int CLOSE_PAUSES = 1000;
constexpr DWORD CLOSE_PAUSE_MILLISECONDS = 20;

}  // namespace

CWindowShutDown::CWindowShutDown(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CWindowShutDown::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CWindowShutDown::Delete() {
    COwnProcesses ownProcesses;
    m_pOwnProcesses = &ownProcesses;
    EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(static_cast<CUninstaller*>(this)));
    m_pOwnProcesses = nullptr;
    return 1;
}

BOOL CALLBACK CWindowShutDown::EnumWindowsProc(HWND hWnd, LPARAM lParam) {
    CWindowShutDown* self = dynamic_cast<CWindowShutDown*>(reinterpret_cast<CUninstaller*>(lParam));
    if (!self) {
        TraceFailed(BAD_CONTEXT);
        return FALSE;
    }
    EnumChildWindows(hWnd, EnumWindowsProc, lParam);
    self->ShutDownWindow(hWnd);
    return TRUE;
}

void CWindowShutDown::ShutDownWindow(HWND hWnd) {
    // The uninstaller's own dialogs, and those of the instance that started it, stay.
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if (m_pOwnProcesses && m_pOwnProcesses->Contains(processId)) return;
    char title[TEXT_SIZE] = "";
    char module[TEXT_SIZE] = "";
    GetWindowTextA(hWnd, title, TEXT_SIZE);
    GetWindowModuleFileNameA(hWnd, module, TEXT_SIZE);
    if (!title[0] && !module[0]) return;
    // The items were lower-cased when they were read: the title is compared in lower case too.
    CharLowerA(title);
    std::string_view text = title;
    for (const CaseInsensitiveString& item : m_itemList) {
        if (text.find(std::string_view(item.data(), item.size())) == std::string_view::npos) continue;
        // A window an earlier item closed is not a failure of this one.
        if (!IsWindow(hWnd)) return;
        CloseWindowForItem(hWnd, item);
    }
}

void CWindowShutDown::CloseWindowForItem(HWND hWnd, const CaseInsensitiveString& item) {
    CaseInsensitiveString cannotPost = ERROR_CANNOT_POST + item + LINE_END;
    if (!PostMessageA(hWnd, WM_CLOSE, 0, 0)) {
        std::printf(TRACE_CANNOT_POST_CLOSE, item.c_str());
        m_errorList.push_back(cannotPost);
    }
    if (IsWindow(hWnd) && !PostMessageA(hWnd, WM_QUIT, 0, 0)) {
        std::printf(TRACE_CANNOT_POST_QUIT, item.c_str());
        m_errorList.push_back(cannotPost);
    }
    for (int pause = 0; pause < CLOSE_PAUSES && IsWindow(hWnd); ++pause) Sleep(CLOSE_PAUSE_MILLISECONDS);
    if (!IsWindow(hWnd)) return;
    std::printf(TRACE_DID_NOT_CLOSE, item.c_str());
    char error[TEXT_SIZE + sizeof ERROR_DID_NOT_CLOSE];
    std::snprintf(error, sizeof error, ERROR_DID_NOT_CLOSE, item.c_str());
    m_errorList.push_back(CaseInsensitiveString(error) + LINE_END);
}
