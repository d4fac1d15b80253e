// What the windows show, written to the machine's UI transcript in the form user_interface.h describes.
#include <string>

#include "commctrl.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/user32/hosted_pages.h"
#include "platform/user32/paint.h"
#include "platform/user32/window_geometry.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

// "Dialog 102 \"caption\"" for a dialog (without the number when it was not made from a resource),
// "Window \"caption\"" for any other top-level window.
std::string Header(const Window& window) {
    if (!window.isDialog) return "Window \"" + window.text + "\"";
    std::string header = "Dialog ";
    if (window.dialogResourceId) header += std::to_string(window.dialogResourceId) + " ";
    return header + "\"" + window.text + "\"";
}

std::string KindOf(const Window& control) {
    if (EqualsNoCase(control.className, PROGRESS_CLASSA)) return "progress";
    std::string kind = control.className;
    for (char& character : kind) {
        if (character >= 'A' && character <= 'Z') character = static_cast<char>(character - 'A' + 'a');
    }
    return kind;
}

// A quoted text; its further lines continue under the first character of the first.
std::string Quoted(std::string_view text, size_t column) {
    std::string quoted = "\"";
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        quoted.append(line);
        if (end == std::string_view::npos) break;
        quoted += '\n';
        start = end + 1;
        if (start < text.size() && text[start] != '\r' && text[start] != '\n') quoted.append(column, ' ');
    }
    return quoted + "\"";
}

std::string ControlLabel(const Window& control) {
    return "  " + std::to_string(control.id) + " " + KindOf(control) + ": ";
}

std::string ControlLine(const Window& control) {
    std::string line = ControlLabel(control);
    if (KindOf(control) == "progress") {
        line += std::to_string(control.control.position) + " (range " + std::to_string(control.control.rangeLow) +
                ".." + std::to_string(control.control.rangeHigh) + ")";
    } else {
        line += Quoted(control.text, line.size() + 1);
    }
    if (EqualsNoCase(control.className, "BUTTON") && (control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        line += " (default)";
    }
    if (control.style & WS_DISABLED) line += " (disabled)";
    return line + "\n";
}

void AppendVisibleControls(const WindowManager& manager, const Window& parent, std::string& entry) {
    for (HWND handle : parent.children) {
        std::shared_ptr<Window> child = manager.Find(handle);
        if (!child || !(child->style & WS_VISIBLE)) continue;
        entry += ControlLine(*child);
        AppendVisibleControls(manager, *child, entry);
    }
}

void Append(const std::string& entry) {
    if (entry.empty()) return;
    if (Machine* machine = Machine::CurrentOrNull()) AppendTranscript(*machine, entry);
}

// Builds an entry under the lock and appends it after; nothing for a window the system shows for itself.
template <typename Build>
void Record(HWND handle, Build build) {
    std::string entry;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> top = TopLevelOf(manager, manager.Find(handle));
        if (top && top->silent) return;
        entry = build(manager);
    }
    Append(entry);
}

}  // namespace

void RecordWindowShown(HWND handle, const std::string& picture) {
    Record(handle, [handle, &picture](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) return "";
        std::string entry = Header(*window) + " shown\n";
        AppendVisibleControls(manager, *window, entry);
        if (!picture.empty()) entry += std::string(kPictureLinePrefix) + picture + "\n";
        return entry;
    });
}

void RecordPicture(HWND handle, const std::string& picture) {
    Record(handle, [handle, &picture](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> window = manager.Find(handle);
        return window ? Header(*window) + std::string(kPictureEntryInfix) + picture + "\n" : "";
    });
}

void RecordWindowHidden(HWND handle) {
    Record(handle, [handle](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> window = manager.Find(handle);
        return window ? Header(*window) + " hidden\n" : "";
    });
}

void RecordWindowClosed(HWND handle) {
    Record(handle, [handle](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> window = manager.Find(handle);
        return window ? Header(*window) + " closed\n" : "";
    });
}

void RecordControlChanged(HWND handle) {
    Record(handle, [handle](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> control = manager.Find(handle);
        std::shared_ptr<Window> top = TopLevelOf(manager, control);
        if (!control || !top) return "";
        return Header(*top) + " changed\n" + ControlLine(*control);
    });
}

void RecordControlHidden(HWND handle) {
    Record(handle, [handle](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> control = manager.Find(handle);
        std::shared_ptr<Window> top = TopLevelOf(manager, control);
        if (!control || !top) return "";
        return Header(*top) + " changed\n" + ControlLabel(*control) + "hidden\n";
    });
}

void RecordCaptionChanged(HWND handle, const std::string& oldCaption) {
    Record(handle, [handle, &oldCaption](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) return "";
        Window before = *window;
        before.text = oldCaption;
        return Header(before) + " changed\n  caption: " + Quoted(window->text, 12) + "\n";
    });
}

void RecordDialogAnswer(HWND dialog, const std::string& answer) {
    RequestPicture(dialog);
    Record(dialog, [dialog, &answer](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> window = manager.Find(dialog);
        return window ? Header(*window) + " answer: " + answer + "\n" : "";
    });
}

// Controls that show pages (hosted_pages.h).
void RecordPageShown(HWND control, const std::string& address, const std::string& lines) {
    RequestPicture(control);
    Record(control, [control, &address, &lines](const WindowManager& manager) -> std::string {
        std::shared_ptr<Window> top = TopLevelOf(manager, manager.Find(control));
        return top ? Header(*top) + " page " + Quoted(address, 0) + "\n" + lines : "";
    });
}

void RecordLinkAnswer(HWND control, const std::string& answer) {
    HWND top = nullptr;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        if (std::shared_ptr<Window> window = TopLevelOf(manager, manager.Find(control))) top = window->handle;
    }
    if (top) RecordDialogAnswer(top, answer);
}

}  // namespace platform
