#include "CTaskUninstaller.h"

#include <cstdio>

#include "LaunchedProgram.h"

namespace {

constexpr char SECTION_NAME[] = "TaskUninstaller";
constexpr char LAUNCHED[] = "Launched= ";
constexpr char COULD_NOT_LAUNCH[] = "Could not launch %s.\n";
constexpr char COULD_NOT_LAUNCH_ENTRY[] = "Could not launch ";
constexpr char UNCLEAR_FINISH[] = "Unclear finsih of %s.\n";
constexpr char FAILED_TO_FINISH[] = " and failed to finish";
constexpr char CANNOT_POST_CLOSE[] = "Cannot post message to %s.\n";
constexpr char CANNOT_POST_QUIT[] = "Cannot post message to  %s.\n";
constexpr char CANNOT_POST_ENTRY[] = "Cannot post message to  ";
constexpr char CANNOT_CLOSE[] = "Cannot close the process %s.\n";
constexpr char CANNOT_CLOSE_ENTRY[] = "Cannot close the process ";
constexpr char LINE_END[] = "\r\n";
constexpr DWORD TASK_TIMEOUT = 30000;

}  // namespace

CTaskUninstaller::CTaskUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CTaskUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CTaskUninstaller::Delete() {
    for (const CaseInsensitiveString& item : m_itemList) {
        m_logList.push_back(LAUNCHED + item + LINE_END);
        CLaunchedProgram task;
        if (!task.Launch(item.c_str())) {
            std::printf(COULD_NOT_LAUNCH, item.c_str());
            m_errorList.push_back(COULD_NOT_LAUNCH_ENTRY + item + LINE_END);
            // Nothing runs: nothing to wait for and no thread to post to.
            continue;
        }
        if (task.Wait(TASK_TIMEOUT) == WAIT_OBJECT_0) continue;

        std::printf(UNCLEAR_FINISH, item.c_str());
        m_errorList.push_back(LAUNCHED + item + FAILED_TO_FINISH + LINE_END);
        // Asked to close, then told to leave its message loop.
        if (!PostThreadMessageA(task.GetThreadId(), WM_CLOSE, 0, 0)) {
            std::printf(CANNOT_POST_CLOSE, item.c_str());
            m_errorList.push_back(CANNOT_POST_ENTRY + item + LINE_END);
        }
        if (!PostThreadMessageA(task.GetThreadId(), WM_QUIT, 0, 0)) {
            std::printf(CANNOT_POST_QUIT, item.c_str());
            m_errorList.push_back(CANNOT_POST_ENTRY + item + LINE_END);
        }
        if (task.Wait(TASK_TIMEOUT) != WAIT_OBJECT_0) {
            std::printf(CANNOT_CLOSE, item.c_str());
            m_errorList.push_back(CANNOT_CLOSE_ENTRY + item + LINE_END);
        }
    }
    return 0;
}
