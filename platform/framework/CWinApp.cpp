// The application object, its start-up and exit code, and the command line as the C runtime splits it.
#include "CWinApp.h"

#include <cstring>

#include "AFX_MODULE_STATE.h"
#include "CCommandLineInfo.h"
#include "CWnd.h"

namespace {

bool IsBlank(char character) { return character == ' ' || character == '\t'; }

// The program name ends at the next blank, or inside quotes at the closing quote; backslashes are
// ordinary characters in it.
const char* SkipProgramName(const char* text) {
    if (*text == '"') {
        ++text;
        while (*text && *text != '"') ++text;
        if (*text == '"') ++text;
    } else {
        while (*text && !IsBlank(*text)) ++text;
    }
    return text;
}

}  // namespace

namespace framework {

const char* ArgumentsOf(const char* commandLine) {
    if (!commandLine) return "";
    const char* text = SkipProgramName(commandLine);
    while (IsBlank(*text)) ++text;
    return text;
}

// Blanks separate arguments outside quotes. 2n backslashes before a quote give n backslashes and the quote
// opens or closes a quoted part; 2n+1 give n backslashes and a literal quote; backslashes before anything
// else stay as they are. Inside quotes, "" gives a literal quote.
std::vector<std::string> SplitCommandLine(const char* commandLine) {
    std::vector<std::string> arguments;
    const char* text = ArgumentsOf(commandLine);
    while (*text) {
        std::string argument;
        bool inQuotes = false;
        while (*text && (inQuotes || !IsBlank(*text))) {
            size_t backslashes = 0;
            while (*text == '\\') {
                ++backslashes;
                ++text;
            }
            if (*text != '"') {
                argument.append(backslashes, '\\');
                if (*text && (inQuotes || !IsBlank(*text))) argument += *text++;
                continue;
            }
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2) {
                argument += '"';
            } else if (inQuotes && text[1] == '"') {
                argument += '"';
                ++text;
            } else {
                inQuotes = !inQuotes;
            }
            ++text;
        }
        arguments.push_back(std::move(argument));
        while (IsBlank(*text)) ++text;
    }
    return arguments;
}

}  // namespace framework

CWinApp::CWinApp(const char* pszAppName) {
    if (pszAppName) {
        m_appName = pszAppName;
        m_pszAppName = m_appName.c_str();
    }
    AfxGetModuleState()->m_pCurrentWinApp = this;
}

CWinApp::~CWinApp() {
    for (AFX_MODULE_STATE* state : {AfxGetModuleState(), AfxGetAppModuleState()}) {
        if (state->m_pCurrentWinApp == this) state->m_pCurrentWinApp = nullptr;
    }
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG message;
    for (;;) {
        BOOL result = GetMessageA(&message, nullptr, 0, 0);
        if (result == 0) {
            m_quitCode = static_cast<int>(message.wParam);
            break;
        }
        if (result == -1) break;
        if (!PreTranslateMessage(&message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return m_quitCode; }

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) { return AfxPreTranslateMessage(pMsg); }

BOOL CWinApp::OnIdle(LONG lCount) { return lCount < 1 ? TRUE : FALSE; }

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    std::vector<std::string> arguments = framework::SplitCommandLine(GetCommandLineA());
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        BOOL flag = !argument.empty() && (argument[0] == '/' || argument[0] == '-');
        rCmdInfo.ParseParam(argument.c_str() + (flag ? 1 : 0), flag, index + 1 == arguments.size());
    }
}

CWinApp* AfxGetApp() { return AfxGetModuleState()->m_pCurrentWinApp; }

HINSTANCE AfxGetInstanceHandle() {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    if (state->m_hCurrentInstanceHandle) return state->m_hCurrentInstanceHandle;
    return state->m_pCurrentWinApp ? state->m_pCurrentWinApp->m_hInstance : nullptr;
}

BOOL AfxPreTranslateMessage(MSG* pMsg) {
    if (!pMsg) return FALSE;
    for (HWND window = pMsg->hwnd; window; window = ::GetParent(window)) {
        CWnd* object = CWnd::FromHandlePermanent(window);
        if (object && object->PreTranslateMessage(pMsg)) return TRUE;
    }
    return FALSE;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    (void)hPrevInstance;
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = hInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(hInstance, path, MAX_PATH);
    const char* name = std::strrchr(path, '\\');
    app->m_exeName = name ? name + 1 : path;
    size_t dot = app->m_exeName.rfind('.');
    if (dot != std::string::npos) app->m_exeName.erase(dot);
    app->m_pszExeName = app->m_exeName.c_str();
    if (!app->m_pszAppName) {
        app->m_appName = app->m_exeName;
        app->m_pszAppName = app->m_appName.c_str();
    }
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
