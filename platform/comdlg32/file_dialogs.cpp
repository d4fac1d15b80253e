// GetOpenFileNameA and GetSaveFileNameA, answered from the machine's UI answers and written to its
// transcript (the forms are described in platform/machine/ui/user_interface.h).
//
// A chosen file is made full in the dialog's folder (lpstrInitialDir, else the folder of the file it
// proposes, else the current folder) and gets lpstrDefExt when it has no extension. The open dialog
// refuses, with OFN_FILEMUSTEXIST, a file that is not there and, with OFN_PATHMUSTEXIST, one whose folder
// is not there; the save dialog only the latter. Unless OFN_NOCHANGEDIR the current folder becomes the
// chosen file's, as the dialogs leave it on Windows.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "commdlg.h"
#include "platform/comdlg32/comdlg32_internal.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"

namespace {

using platform::common_dialogs::SetExtendedError;

enum class FileDialogKind { Open, Save };

struct Filter {
    std::string description;
    std::string pattern;
};

// The description and pattern pairs of a filter list, each text ended by a zero, the list by another.
std::vector<Filter> FiltersOf(LPCSTR list) {
    std::vector<Filter> filters;
    while (list && *list) {
        Filter filter;
        filter.description = list;
        list += filter.description.size() + 1;
        if (!*list) break;
        filter.pattern = list;
        list += filter.pattern.size() + 1;
        filters.push_back(filter);
    }
    return filters;
}

std::string FolderOfPath(const std::string& path) {
    std::size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) return "";
    // "C:\x" keeps the root's backslash.
    return path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);
}

std::string FileNameOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a relative answer is taken.
std::string StartFolder(const OPENFILENAMEA& dialog) {
    if (dialog.lpstrInitialDir && *dialog.lpstrInitialDir) return dialog.lpstrInitialDir;
    if (dialog.lpstrFile) {
        std::string folder = FolderOfPath(dialog.lpstrFile);
        if (!folder.empty()) return folder;
    }
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    return current;
}

std::string FullPathOf(const std::string& chosen, const std::string& folder) {
    bool full = (chosen.size() >= 2 && chosen[1] == ':') || (!chosen.empty() && chosen[0] == '\\');
    std::string path =
        full ? chosen : folder + (!folder.empty() && folder.back() == '\\' ? "" : "\\") + chosen;
    char resolved[MAX_PATH] = "";
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, resolved, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(resolved) : path;
}

std::string WithDefaultExtension(const std::string& path, LPCSTR defaultExtension) {
    if (!defaultExtension || !*defaultExtension) return path;
    std::string name = FileNameOf(path);
    if (name.find('.') != std::string::npos) return path;
    return path + "." + defaultExtension;
}

// Why the dialog refuses a chosen file, or nullopt.
std::optional<std::string> Refusal(FileDialogKind kind, DWORD flags, const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::string("it is a folder");
    bool folderThere = GetFileAttributesA(FolderOfPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    if ((flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !folderThere)
        return std::string("the folder does not exist");
    if (kind == FileDialogKind::Open && (flags & OFN_FILEMUSTEXIST) && attributes == INVALID_FILE_ATTRIBUTES)
        return std::string("the file does not exist");
    return std::nullopt;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string TitleOf(FileDialogKind kind, const OPENFILENAMEA& dialog) {
    if (dialog.lpstrTitle && *dialog.lpstrTitle) return dialog.lpstrTitle;
    return kind == FileDialogKind::Open ? "Open" : "Save As";
}

// nFilterIndex counts from 1; 0 names the custom filter, which the first filter stands for here.
std::size_t SelectedFilter(const OPENFILENAMEA& dialog) {
    return dialog.nFilterIndex == 0 ? 0 : dialog.nFilterIndex - 1;
}

std::string EntryHead(FileDialogKind kind, const OPENFILENAMEA& dialog, const std::string& folder) {
    bool open = kind == FileDialogKind::Open;
    std::string title = TitleOf(kind, dialog);
    std::string entry = std::string(open ? "OpenFileDialog " : "SaveFileDialog ") + Quoted(title) + "\n";
    std::vector<Filter> filters = FiltersOf(dialog.lpstrFilter);
    for (std::size_t index = 0; index < filters.size(); ++index) {
        entry += "  filter: " + Quoted(filters[index].description) + " " + filters[index].pattern;
        bool selected = SelectedFilter(dialog) == index;
        entry += selected ? " (selected)\n" : "\n";
    }
    entry += "  folder: " + Quoted(folder) + "\n";
    entry += "  file: " + Quoted(dialog.lpstrFile ? dialog.lpstrFile : "") + "\n";
    return entry;
}

// The dialog as the user sees it: the folder by its name (a drive's root by its path), the proposed file by
// its name.
std::string PictureLine(FileDialogKind kind, const OPENFILENAMEA& dialog, const std::string& folder) {
    platform::common_dialogs::FileDialogLook look;
    look.open = kind == FileDialogKind::Open;
    look.caption = TitleOf(kind, dialog);
    std::string folderName = FileNameOf(folder);
    look.folder = folderName.empty() ? folder : folderName;
    look.file = FileNameOf(dialog.lpstrFile ? dialog.lpstrFile : "");
    for (const Filter& filter : FiltersOf(dialog.lpstrFilter)) look.filters.push_back(filter.description);
    std::size_t selected = SelectedFilter(dialog);
    look.selectedFilter = selected < look.filters.size() ? static_cast<int>(selected) : -1;
    std::string picture = platform::common_dialogs::FileDialogPicture(look);
    return picture.empty() ? "" : std::string(platform::kPictureLinePrefix) + picture + "\n";
}

// Fills the caller's buffers with the chosen file; false when lpstrFile is too short for it.
bool Return(OPENFILENAMEA& dialog, const std::string& path) {
    if (path.size() + 1 > dialog.nMaxFile) {
        // The first two bytes of the buffer say how many characters it needs.
        if (dialog.nMaxFile >= 2) {
            WORD needed = static_cast<WORD>(path.size() + 1);
            std::memcpy(dialog.lpstrFile, &needed, sizeof needed);
        }
        return false;
    }
    std::memcpy(dialog.lpstrFile, path.c_str(), path.size() + 1);
    std::string name = FileNameOf(path);
    dialog.nFileOffset = static_cast<WORD>(path.size() - name.size());
    std::size_t dot = name.find_last_of('.');
    dialog.nFileExtension = dot == std::string::npos ? 0 : static_cast<WORD>(dialog.nFileOffset + dot + 1);
    if (dialog.lpstrFileTitle && dialog.nMaxFileTitle > 0) {
        std::size_t length = std::min<std::size_t>(name.size(), dialog.nMaxFileTitle - 1);
        std::memcpy(dialog.lpstrFileTitle, name.data(), length);
        dialog.lpstrFileTitle[length] = '\0';
    }
    if (!(dialog.Flags & OFN_NOCHANGEDIR)) SetCurrentDirectoryA(FolderOfPath(path).c_str());
    return true;
}

BOOL RunFileDialog(FileDialogKind kind, LPOPENFILENAMEA dialog) {
    if (!dialog || (dialog->lStructSize != sizeof(OPENFILENAMEA) &&
                    dialog->lStructSize != OPENFILENAME_SIZE_VERSION_400A)) {
        SetExtendedError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    if (!dialog->lpstrFile || dialog->nMaxFile == 0) {
        SetExtendedError(CDERR_INITIALIZATION);
        return FALSE;
    }
    platform::Machine& machine = platform::Machine::Current();
    std::string folder = StartFolder(*dialog);
    std::string entry = EntryHead(kind, *dialog, folder) + PictureLine(kind, *dialog, folder);
    for (;;) {
        std::optional<std::string> answer = platform::TakeAnswer(machine);
        if (!answer) {
            platform::AppendTranscript(machine, entry + "  answer: IDCANCEL (default)\n");
            SetExtendedError(0);
            return FALSE;
        }
        std::string_view trimmed = platform::TrimBlanks(*answer);
        std::optional<std::string> chosen = platform::FileAnswerPath(trimmed);
        std::string shown;
        if (!chosen && platform::EqualsNoCase(trimmed, "IDOK") && *dialog->lpstrFile) {
            chosen = dialog->lpstrFile;
            shown = "IDOK ";
        }
        if (!chosen) {
            bool cancel = platform::EqualsNoCase(trimmed, "IDCANCEL");
            entry += cancel ? "  answer: IDCANCEL\n"
                            : "  answer: IDCANCEL (default; scripted \"" + *answer +
                                  "\" is not an answer of this dialog)\n";
            platform::AppendTranscript(machine, entry);
            SetExtendedError(0);
            return FALSE;
        }
        std::string path = WithDefaultExtension(FullPathOf(*chosen, folder), dialog->lpstrDefExt);
        shown += Quoted(path);
        if (std::optional<std::string> refused = Refusal(kind, dialog->Flags, path)) {
            entry += "  answer: " + shown + " refused (" + *refused + ")\n";
            continue;
        }
        if (!Return(*dialog, path)) {
            entry += "  answer: " + shown + " (does not fit the buffer of " +
                     std::to_string(dialog->nMaxFile) + " characters)\n";
            platform::AppendTranscript(machine, entry);
            SetExtendedError(FNERR_BUFFERTOOSMALL);
            return FALSE;
        }
        platform::AppendTranscript(machine, entry + "  answer: " + shown + "\n");
        SetExtendedError(0);
        return TRUE;
    }
}

}  // namespace

extern "C" BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) {
    return RunFileDialog(FileDialogKind::Open, lpofn);
}

extern "C" BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn) {
    return RunFileDialog(FileDialogKind::Save, lpofn);
}
