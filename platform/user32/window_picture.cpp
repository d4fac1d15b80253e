// The picture of every window: when a top-level window is shown it is painted at once (its own WM_PAINT
// and its controls' run) and its surface written as a PNG file into the machine's ui folder; once a
// scripted answer to it has been handled and it has been painted again, it is written again, unless it
// looks just as it did.
#include <functional>
#include <string_view>
#include <vector>

#include "platform/gdi32/surface.h"
#include "platform/machine/machine.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/user32/paint.h"
#include "platform/user32/window_geometry.h"

namespace platform {

namespace {

std::size_t HashOf(const gdi::Surface& surface) {
    std::string_view pixels(reinterpret_cast<const char*>(surface.row(0)),
                            static_cast<size_t>(surface.width()) * surface.height() * sizeof(std::uint32_t));
    return std::hash<std::string_view>{}(pixels) ^ (static_cast<std::size_t>(surface.width()) << 20);
}

// Writes the window's surface unless it holds what was written last; the file's name, or empty. A window
// the system shows for itself is written only when asked for by its kind.
std::string Write(HWND handle, bool always, std::string kind = "") {
    Machine* machine = Machine::CurrentOrNull();
    if (!machine) return "";
    std::shared_ptr<gdi::Surface> surface = WindowSurface(handle);
    if (!surface) return "";
    std::string title;
    std::size_t hash = HashOf(*surface);
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window || (window->silent && kind.empty())) return "";
        if (!always && window->pictureHash == hash) return "";
        window->pictureHash = hash;
        if (kind.empty()) {
            kind = !window->isDialog              ? "window"
                   : window->dialogResourceId == 0 ? "dialog"
                                                   : "dialog-" + std::to_string(window->dialogResourceId);
        }
        title = window->text;
    }
    PictureFile file = NewPictureFile(*machine, kind, title);
    if (!gdi::WritePng(*surface, file.path)) return "";
    return file.name;
}

}  // namespace

std::string TakePicture(HWND handle) {
    PaintNow(handle);
    return Write(handle, true);
}

std::string TakePicture(HWND handle, const std::string& kind) {
    PaintNow(handle);
    return Write(handle, true, kind);
}

void MarkSilentDialog(HWND handle) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    if (std::shared_ptr<Window> window = manager.Find(handle)) {
        window->silent = true;
        window->isDialog = true;
    }
}

void RequestPicture(HWND handle) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> top = TopLevelOf(manager, manager.Find(handle));
    if (top) top->picturePending = true;
}

void WritePendingPictures() {
    std::vector<HWND> pending;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        DWORD thread = GetCurrentThreadId();
        for (const auto& [handle, window] : manager.windows) {
            if (!window->picturePending || window->threadId != thread) continue;
            window->picturePending = false;
            if (IsShownLocked(manager, *window) && !window->destroying) pending.push_back(handle);
        }
    }
    for (HWND handle : pending) {
        std::string name = Write(handle, false);
        if (!name.empty()) RecordPicture(handle, name);
    }
}

}  // namespace platform
