// Windows and messages: creation and destruction order, posted against sent messages, sending across
// threads while the receiver waits in GetMessage, and a worker closing a window of the main thread.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "commctrl.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

// What the test window's procedure saw, in order, with the thread it ran on.
struct Log {
    std::mutex mutex;
    std::vector<std::string> entries;
    std::vector<DWORD> threads;
    void Add(std::string entry) {
        std::lock_guard<std::mutex> lock(mutex);
        entries.push_back(std::move(entry));
        threads.push_back(GetCurrentThreadId());
    }
};

Log* log = nullptr;

LRESULT CALLBACK LoggingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER && message < WM_USER + 100) {
        log->Add("user " + std::to_string(message - WM_USER));
        return static_cast<LRESULT>(message - WM_USER) * 10;
    }
    if (message == WM_DESTROY || message == WM_NCDESTROY) {
        char name[64] = "";
        GetWindowTextA(hWnd, name, sizeof name);
        log->Add(std::string(message == WM_DESTROY ? "destroy " : "ncdestroy ") + name);
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class WindowMessageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log = &log_;
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = LoggingProcedure;
            windowClass.lpszClassName = "LoggingWindow";
            ASSERT_NE(RegisterClassA(&windowClass), 0);
            registered = true;
        }
    }
    HWND Create(const char* name, HWND parent = nullptr, DWORD style = 0) {
        return CreateWindowExA(0, "LoggingWindow", name, style | (parent ? WS_CHILD : WS_POPUP), 0, 0, 10, 10, parent,
                               nullptr, nullptr, nullptr);
    }
    platform::TestMachine machine_;
    Log log_;
};

TEST_F(WindowMessageTest, CreationErrors) {
    struct Row {
        const char* className;
        HWND parent;
        DWORD style;
        DWORD error;
    } rows[] = {
        {"NoSuchClass", nullptr, WS_POPUP, ERROR_CANNOT_FIND_WND_CLASS},
        {"LoggingWindow", nullptr, WS_CHILD, ERROR_TLW_WITH_WSCHILD},
        {"LoggingWindow", reinterpret_cast<HWND>(0x7777), WS_CHILD, ERROR_INVALID_WINDOW_HANDLE},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        EXPECT_EQ(CreateWindowExA(0, row.className, "", row.style, 0, 0, 1, 1, row.parent, nullptr, nullptr, nullptr),
                  nullptr)
            << row.className;
        EXPECT_EQ(GetLastError(), row.error) << row.className;
    }
    WNDCLASSA again{};
    again.lpfnWndProc = LoggingProcedure;
    again.lpszClassName = "loggingwindow";
    EXPECT_EQ(RegisterClassA(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
}

TEST_F(WindowMessageTest, DestroyTellsParentThenChildrenAndEndsWithChildren) {
    HWND parent = Create("parent");
    HWND child = Create("child", parent);
    HWND grandchild = Create("grandchild", child);
    EXPECT_EQ(GetParent(grandchild), child);
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(log_.entries, (std::vector<std::string>{"destroy parent", "destroy child", "destroy grandchild",
                                                      "ncdestroy grandchild", "ncdestroy child", "ncdestroy parent"}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowMessageTest, WindowDataAndText) {
    HWND window = Create("first");
    EXPECT_EQ(SetWindowLongPtrA(window, GWLP_USERDATA, 1234), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 1234);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&LoggingProcedure));
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_MSGRESULT), 0);  // not a dialog: no extra bytes
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_TRUE(SetWindowTextA(window, "second title"));
    char text[8];
    EXPECT_EQ(GetWindowTextA(window, text, sizeof text), 7);
    EXPECT_STREQ(text, "second ");
    EXPECT_EQ(GetWindowTextLengthA(window), 12);
    DestroyWindow(window);
}

TEST_F(WindowMessageTest, QueueRulesOnOneThread) {
    HWND window = Create("queue");
    MSG message;
    SetLastError(0);
    EXPECT_EQ(GetMessageA(&message, reinterpret_cast<HWND>(0x7777), 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostThreadMessageA(0x7FFFFFF0, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));

    // A send to a window of this thread runs at once; posts wait in order; WM_QUIT comes last.
    PostQuitMessage(7);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 0, 0);
    EXPECT_EQ(SendMessageA(window, WM_USER + 3, 0, 0), 30);
    EXPECT_EQ(log_.entries, std::vector<std::string>{"user 3"});
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(message.hwnd, nullptr);
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), TRUE);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(DispatchMessageA(&message), 10);
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), FALSE);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

    DestroyWindow(window);
    SetLastError(0);
    EXPECT_EQ(SendMessageA(window, WM_USER + 4, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

struct SenderArguments {
    HWND window;
    LRESULT result = 0;
};

// Posts 1, sends 2 (waiting for the answer), then posts 3.
DWORD WINAPI PostSendPost(LPVOID parameter) {
    auto* arguments = static_cast<SenderArguments*>(parameter);
    PostMessageA(arguments->window, WM_USER + 1, 0, 0);
    arguments->result = SendMessageA(arguments->window, WM_USER + 2, 0, 0);
    PostMessageA(arguments->window, WM_USER + 3, 0, 0);
    return 0;
}

TEST_F(WindowMessageTest, SentMessageRunsOnTheOwnerThreadInsideGetMessage) {
    HWND window = Create("receiver");
    SenderArguments arguments{window};
    HANDLE thread = CreateThread(nullptr, 0, PostSendPost, &arguments, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    MSG message;
    // Looking at the queue handles what was sent, while what was posted stays there.
    for (;;) {
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        std::lock_guard<std::mutex> lock(log_.mutex);
        if (!log_.entries.empty()) break;
    }
    std::vector<UINT> retrieved;
    while (retrieved.size() < 2 && GetMessageA(&message, nullptr, 0, 0) > 0) {
        retrieved.push_back(message.message - WM_USER);
        DispatchMessageA(&message);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(arguments.result, 20);
    // The sent message was handled before GetMessage returned the message posted before it.
    EXPECT_EQ(log_.entries, (std::vector<std::string>{"user 2", "user 1", "user 3"}));
    EXPECT_EQ(retrieved, (std::vector<UINT>{1, 3}));
    for (DWORD thread : log_.threads) EXPECT_EQ(thread, GetCurrentThreadId());
    DestroyWindow(window);
}

struct ProgressWorker {
    HWND dialog;
    HWND bar;
    std::vector<LRESULT> positions;
};

// As the progress dialog's worker: moves the bar through the window handles, then asks the dialog to go.
DWORD WINAPI MoveBarThenClose(LPVOID parameter) {
    auto* worker = static_cast<ProgressWorker*>(parameter);
    for (int position : {10, 50, 120}) {
        SendMessageA(worker->bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        worker->positions.push_back(SendMessageA(worker->bar, PBM_GETPOS, 0, 0));
    }
    PostMessageA(worker->dialog, WM_DESTROY, 0, 0);
    return 5;
}

TEST_F(WindowMessageTest, WorkerPostsDestroyToTheMainThreadsWindow) {
    HWND dialog = Create("Avanzamento");
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, dialog,
                               reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ShowWindow(dialog, SW_SHOW);
    ProgressWorker worker{dialog, bar, {}};
    HANDLE thread = CreateThread(nullptr, 0, MoveBarThenClose, &worker, 0, nullptr);
    MSG message;
    while (IsWindow(dialog) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == dialog && message.message == WM_DESTROY) {
            DestroyWindow(dialog);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 5u);
    EXPECT_EQ(worker.positions, (std::vector<LRESULT>{10, 50, 100}));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(machine_.Transcript(),
              "Window \"Avanzamento\" shown\n"
              "  1001 progress: 0 (range 0..100)\n"
              "Window \"Avanzamento\" closed\n");
}

TEST_F(WindowMessageTest, ProgressBarKeepsItsPositionInTheRange) {
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    struct Row {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;    // what the message returns
        LRESULT position;  // PBM_GETPOS after it
    } rows[] = {
        {PBM_SETPOS, 40, 0, 0, 40},
        {PBM_SETPOS, 150, 0, 40, 100},
        {PBM_SETPOS, static_cast<WPARAM>(-5), 0, 100, 0},
        {PBM_DELTAPOS, 30, 0, 0, 30},
        {PBM_DELTAPOS, 90, 0, 30, 100},
        {PBM_SETRANGE, 0, MAKELPARAM(10, 50), MAKELRESULT(0, 100), 50},
        {PBM_SETPOS, 5, 0, 50, 10},
        {PBM_SETSTEP, 15, 0, 10, 10},
        {PBM_STEPIT, 0, 0, 10, 25},
        {PBM_STEPIT, 0, 0, 25, 40},
        {PBM_STEPIT, 0, 0, 40, 15},  // past the end: starts again from the beginning
        {PBM_SETRANGE32, 0, 1000, MAKELRESULT(10, 50), 15},
        {PBM_GETRANGE, TRUE, 0, 0, 15},
        {PBM_GETRANGE, FALSE, 0, 1000, 15},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SendMessageA(bar, row.message, row.wParam, row.lParam), row.result)
            << row.message - WM_USER << " " << row.wParam;
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), row.position) << row.message - WM_USER << " " << row.wParam;
    }
    DestroyWindow(bar);
}

TEST_F(WindowMessageTest, EditSelectionAndCursor) {
    HWND edit = CreateWindowExA(0, "EDIT", "abcdef", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    struct Row {
        int start, end;
        DWORD expectedStart, expectedEnd;
    } rows[] = {{1, 3, 1, 3}, {4, 2, 2, 4}, {0, -1, 0, 6}, {2, 99, 2, 6}, {-1, 0, 6, 6}};
    for (const Row& row : rows) {
        SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(row.start), row.end);
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, row.expectedStart) << row.start << "," << row.end;
        EXPECT_EQ(end, row.expectedEnd) << row.start << "," << row.end;
    }
    EXPECT_EQ(SendMessageA(edit, EM_FMTLINES, TRUE, 0), TRUE);
    DestroyWindow(edit);

    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    ASSERT_NE(wait, nullptr);
    HCURSOR before = SetCursor(wait);
    EXPECT_EQ(GetCursor(), wait);
    SetCursor(before);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
}

}  // namespace
