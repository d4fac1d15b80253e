// The windows of the process: their table, their classes and the message queues of the threads that own
// them. One lock guards all of it; window procedures are always called with the lock released.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/processes/process_table.h"
#include "windows.h"

namespace platform {

namespace gdi {
class Surface;
}

struct WindowClass {
    std::string name;
    WNDPROC procedure = nullptr;
    UINT style = 0;
    int windowExtra = 0;
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr;
    // Painting: the brush WM_ERASEBKGND fills with (a brush, or a COLOR_ index + 1) and the icons.
    HBRUSH background = nullptr;
    HICON icon = nullptr;
};

// The state the standard controls keep for themselves.
struct ControlState {
    int rangeLow = 0;
    int rangeHigh = 100;
    int position = 0;
    int step = 10;
    bool formatLines = false;
    int selectionStart = 0;
    int selectionEnd = 0;
    int check = BST_UNCHECKED;
    // Combo boxes and list boxes: their items in order, and the selected one (-1 for none).
    struct Item {
        std::string text;
        LPARAM data = 0;
    };
    std::vector<Item> items;
    int selectedItem = -1;
};

struct Window {
    HWND handle = nullptr;
    std::string className;
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;  // the parent of a child window
    HWND owner = nullptr;   // the owner of a top-level window
    int id = 0;             // a child's control id
    HINSTANCE instance = nullptr;
    std::string text;
    DWORD threadId = 0;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    std::vector<HWND> children;  // in creation order
    ControlState control;
    // Dialogs: the template's resource id (0 when created from a template in memory), and the modal end.
    bool isDialog = false;
    bool modal = false;
    UINT dialogResourceId = 0;
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
    bool destroying = false;
    // The machine folder of the machine's window table the top-level window is published in, if any.
    std::string publishedIn;
    // What a control of another library (the common controls) shows, as it tells the transcript: its
    // kind and the rest of its line (further lines indented under it). Empty: none told.
    std::string presentationKind;
    std::string presentation;
    bool presentationPending = false;  // a "changed" entry is to be written when the control is next dispatched to
    // The window's own copy of the system menu, made by the first GetSystemMenu (menu.cpp).
    HMENU systemMenu = nullptr;

    // Geometry and painting (window_geometry.cpp, paint.cpp). The window's rectangle is in screen
    // coordinates for a top-level window, in its parent's client coordinates for a child.
    RECT rect{};
    // The part of the client area to be painted (client coordinates), empty when none; whether
    // BeginPaint erases it first, and whether the frame is to be drawn again.
    RECT invalid{};
    bool eraseNeeded = false;
    bool frameNeeded = false;
    // BeginPaint was called since the last WM_PAINT was dispatched.
    bool beganPaint = false;
    // A top-level window's pixels, its whole frame; its children draw on it too.
    std::shared_ptr<gdi::Surface> surface;
    HFONT font = nullptr;
    // A dialog's base units, from its font (MapDialogRect).
    int baseUnitX = 0;
    int baseUnitY = 0;
    HFONT dialogFont = nullptr;  // the font a dialog made from its template, deleted with it
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    // A control's picture (BM_SETIMAGE, STM_SETIMAGE) and its type (IMAGE_BITMAP, IMAGE_ICON).
    HANDLE image = nullptr;
    UINT imageType = 0;
    // A picture of the window is to be written once it has been painted again (after a scripted answer).
    bool picturePending = false;
    // What the last picture written of the window held.
    std::size_t pictureHash = 0;
    // A window the system shows for itself (a message box's), whose showing the transcript does not record.
    bool silent = false;
};

// A message sent from another thread, waiting for its owner thread to process it.
struct SentMessage {
    MSG message{};
    LRESULT result = 0;
    // Set after the result, so that the sender may read both without the lock.
    std::atomic<bool> done{false};
};

struct MessageQueue {
    DWORD threadId = 0;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quitPosted = false;
    int quitCode = 0;
    // The window of the thread with the keyboard focus (SetFocus), if any.
    HWND focus = nullptr;
};

// The window manager's lock: a thread that finds it taken spins for a moment before it sleeps. The
// threads of a program take it by turns thousands of times a second (a worker sending progress to its
// dialog's thread, which answers); it is held for microseconds, while a thread put to sleep on it takes
// tens of microseconds to wake, and the message it was to answer waits that long.
class WindowLock : public std::mutex {
  public:
    WindowLock();
};

class WindowManager {
  public:
    static WindowManager& Instance();

    WindowLock mutex;

    // Under the lock: tells the waiting threads that a queue or a sent message changed.
    void NotifyChanged();
    // Waits for the next change (lock held on entry and exit; callers look at their queues again after
    // it, as it may return without one): watches for it, then sleeps.
    void WaitForChange(std::unique_lock<std::mutex>& lock);
    // The parts of that wait, for callers that do more between them. Changes() is read under the lock
    // after the caller's last look. A thread that waits for another to answer a sent message, or for the
    // next message of a thread that sends many, usually has it within microseconds, far less than putting
    // a thread to sleep and waking it up costs: WatchForChange watches the changes for a short while with
    // the lock released (not held on entry or exit), and is true when they moved on from `seen`;
    // SleepUntilChange (lock held on entry and exit) sleeps until they do.
    std::uint64_t Changes() const { return changes_.load(std::memory_order_acquire); }
    bool WatchForChange(std::uint64_t seen) const;
    void SleepUntilChange(std::unique_lock<std::mutex>& lock, std::uint64_t seen);
    // Takes the lock again after a watch: the thread whose change ended it usually lets the lock go
    // within microseconds, far sooner than a thread put to sleep waiting for it is woken again.
    static void Relock(std::unique_lock<std::mutex>& lock);

    std::map<HWND, std::shared_ptr<Window>> windows;
    std::map<std::string, WindowClass> classes;  // keyed by the upper-cased name
    std::map<DWORD, std::shared_ptr<MessageQueue>> queues;
    HCURSOR cursor = nullptr;

    // Under the lock.
    std::shared_ptr<Window> Find(HWND handle) const;
    const WindowClass* FindClass(const std::string& name) const;
    HWND NewHandle();
    // The queue of the calling thread, created on first use and removed when the thread ends.
    std::shared_ptr<MessageQueue> QueueOfThisThread();
    std::shared_ptr<MessageQueue> QueueOf(DWORD threadId) const;
    // Answers the sent messages still waiting for a window that goes away or a thread that ends.
    void AbandonSentMessages(MessageQueue& queue, HWND window);

  private:
    WindowManager();
    std::uint64_t nextHandle_ = 0x10010;
    std::condition_variable changed_;
    // Moved on (under the lock) with every notification.
    std::atomic<std::uint64_t> changes_{0};
};

// Processes the messages other threads sent to the calling thread's windows (lock held on entry and exit).
void ProcessSentMessages(std::unique_lock<std::mutex>& lock, MessageQueue& queue);

// The window is `ancestor` or one of its descendants; under the lock.
bool IsWithinLocked(const WindowManager& manager, HWND window, HWND ancestor);
// Before the window is destroyed, hidden or disabled: the focus, when it is in the window (the window or
// one of its descendants), moves to `next`. Call with the lock released.
void MoveFocusAwayFrom(HWND window, HWND next);

// The window and all its ancestors are visible; under the lock.
bool IsShownLocked(const WindowManager& manager, const Window& window);

// The transcript of what the user sees (window_transcript.cpp). Each takes the lock itself, so call them
// with the lock released.
// A shown window's entry names its picture (a file of the ui folder, none when empty).
void RecordWindowShown(HWND window, const std::string& picture);
// A window's picture taken again after a scripted answer: "<header> picture: <file>".
void RecordPicture(HWND window, const std::string& picture);
void RecordWindowHidden(HWND window);
void RecordWindowClosed(HWND window);
void RecordControlChanged(HWND control);
void RecordControlHidden(HWND control);
void RecordCaptionChanged(HWND window, const std::string& oldCaption);
void RecordDialogAnswer(HWND dialog, const std::string& answer);

// What the message retrieval found when it looked at the answers addressed to the thread's visible modeless
// dialogs with its queue empty (dialog.cpp): nothing, an answer still counting down (or one dropped), or a
// click posted. Call with the lock released.
enum class ModelessAnswer { None, Waiting, Posted };
ModelessAnswer AnswerModelessDialogs();

// The windows of the machine's other processes, declared or started in it (machine_windows.cpp): the
// one a handle names while its process runs, and a message posted to one (or to a declared process's main
// thread, with a null window); nullopt when the handle or thread is none of theirs. Call with the lock
// released.
std::optional<WindowRecord> MachineWindow(HWND handle);
std::optional<BOOL> PostToMachineWindow(HWND window, DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// A top-level window's handle: one of the machine's ids when the process runs in a machine, so that no
// two processes of the machine have windows with the same handle.
HWND NewTopLevelHandle(WindowManager& manager);
// Puts a top-level window that has been created into the machine's window table, renames it there, and
// takes it out again when it goes away. Call with the lock released.
void PublishWindow(HWND window);
void PublishWindowTitle(const std::string& publishedIn, HWND window, const std::string& title);
void WithdrawWindow(const std::string& publishedIn, HWND window);
// The module a window's instance names, else the program's.
std::string ModuleFileOf(HINSTANCE instance);

// Messages from the machine's other processes (thread_mail.cpp). The calling thread's mailbox is opened
// with its queue; TakeThreadMail moves what it holds into the queue (under the lock).
void OpenThreadMailbox();
void TakeThreadMail(MessageQueue& queue);
// Marks the calling thread as waiting for a message while it lives; not begun when mail came first.
class ThreadMailbox;
class MailWait {
  public:
    MailWait();
    ~MailWait();
    MailWait(const MailWait&) = delete;
    MailWait& operator=(const MailWait&) = delete;
    bool begun() const { return begun_; }

  private:
    ThreadMailbox* box_;
    bool begun_ = true;
};
// Posts to a thread of another process of the machine: 0, ERROR_INVALID_THREAD_ID (no living thread of
// the machine with a message queue) or ERROR_NOT_ENOUGH_QUOTA (its mailbox is full).
DWORD PostToMachineThread(DWORD threadId, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Standard control procedures (controls*.cpp) and the dialog procedure (dialog.cpp).
LRESULT CALLBACK ButtonProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ProgressProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProcedure(HWND, UINT, WPARAM, LPARAM);

// The menus (menu.cpp): the system menu's items of a window, and the command of the item of the system
// menu whose text (without its '&' marks and its shortcut after a tab, any case) or command id is
// `item`, when it is there and enabled. Call with the lock released.
std::optional<UINT> SystemMenuCommand(HWND window, std::string_view item);
// A control's or menu item's text as the user reads it: without its '&' marks, and without the shortcut
// after a tab.
std::string WithoutAccelerators(std::string_view text);
// Destroys the window's copy of the system menu, as it goes away.
void DestroySystemMenuOf(HMENU menu);

// A control of another library tells the transcript what it shows (see Window::presentation). A change
// while the control is on the screen is written as a "changed" entry when the message loop next reaches
// the control (DefWindowProcA, kPresentationMessage), so that the changes of one act, a selection moving
// from row to row, make one entry. Call with the lock released.
void SetControlPresentation(HWND control, std::string_view kind, std::string presentation);
constexpr UINT kPresentationMessage = 0x03F1;

}  // namespace platform
