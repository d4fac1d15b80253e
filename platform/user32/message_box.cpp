// MessageBoxA: the box is written to the machine's UI transcript, and its answer taken from the UI
// answers, else its default button.
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/user32/message_box_picture.h"
#include "windows.h"

namespace {

struct Button {
    int id;
    const char* answerName;  // as the transcript and the UI answers name it
    const char* label;
};

constexpr Button kOk{IDOK, "IDOK", "OK"};
constexpr Button kCancel{IDCANCEL, "IDCANCEL", "Cancel"};
constexpr Button kAbort{IDABORT, "IDABORT", "Abort"};
constexpr Button kRetry{IDRETRY, "IDRETRY", "Retry"};
constexpr Button kIgnore{IDIGNORE, "IDIGNORE", "Ignore"};
constexpr Button kYes{IDYES, "IDYES", "Yes"};
constexpr Button kNo{IDNO, "IDNO", "No"};

std::vector<Button> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {kOk, kCancel};
        case MB_ABORTRETRYIGNORE:
            return {kAbort, kRetry, kIgnore};
        case MB_YESNOCANCEL:
            return {kYes, kNo, kCancel};
        case MB_YESNO:
            return {kYes, kNo};
        case MB_RETRYCANCEL:
            return {kRetry, kCancel};
        default:
            return {kOk};
    }
}

LPCSTR IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            return IDI_HAND;
        case MB_ICONQUESTION:
            return IDI_QUESTION;
        case MB_ICONEXCLAMATION:
            return IDI_EXCLAMATION;
        case MB_ICONASTERISK:
            return IDI_ASTERISK;
        default:
            return nullptr;
    }
}

const char* IconName(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            return "error";
        case MB_ICONQUESTION:
            return "question";
        case MB_ICONEXCLAMATION:
            return "warning";
        case MB_ICONASTERISK:
            return "information";
        default:
            return "none";
    }
}

// The default button as MB_DEFBUTTON1 to MB_DEFBUTTON3 pick it; the first when the box has fewer.
const Button& DefaultButton(const std::vector<Button>& buttons, UINT type) {
    size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

// The button a scripted answer names: "IDOK", "IDCANCEL", ... (any case) or the button's number.
const Button* ButtonAnswered(const std::vector<Button>& buttons, std::string_view answer) {
    std::string_view trimmed = platform::TrimBlanks(answer);
    for (const Button& button : buttons) {
        if (platform::EqualsNoCase(trimmed, button.answerName) || trimmed == std::to_string(button.id)) {
            return &button;
        }
    }
    return nullptr;
}

// The text, one transcript line per line of the box, continuation lines under the first. Line breaks
// that end the text (system message texts end with one) show nothing and are left out.
std::string TextLines(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::string lines = "  text: ";
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.append(line);
        lines += '\n';
        if (end == std::string_view::npos) return lines;
        lines += "        ";
        start = end + 1;
    }
}

}  // namespace

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    (void)hWnd;
    platform::Machine& machine = platform::Machine::Current();
    std::vector<Button> buttons = ButtonsOf(uType);
    const Button& defaultButton = DefaultButton(buttons, uType);

    std::string entry = "MessageBox \"" + std::string(lpCaption ? lpCaption : "Error") + "\"\n";
    entry += TextLines(lpText ? lpText : "");
    entry += "  buttons:";
    for (const Button& button : buttons) entry += std::string(" ") + button.label;
    entry += std::string("; icon: ") + IconName(uType) + "\n";

    // What the box looks like, as a picture named on a line of its own.
    platform::MessageBoxLook look;
    look.caption = lpCaption ? lpCaption : "Error";
    look.text = lpText ? lpText : "";
    while (!look.text.empty() && (look.text.back() == '\n' || look.text.back() == '\r')) look.text.pop_back();
    for (const Button& button : buttons) look.buttons.push_back(button.label);
    look.defaultButton = static_cast<size_t>(&defaultButton - buttons.data());
    look.icon = IconOf(uType);
    std::string picture = platform::MessageBoxPicture(look);
    if (!picture.empty()) entry += std::string(platform::kPictureLinePrefix) + picture + "\n";

    const Button* chosen = nullptr;
    std::optional<std::string> answer = platform::TakeAnswer(machine);
    if (answer) chosen = ButtonAnswered(buttons, *answer);
    if (chosen) {
        entry += std::string("  answer: ") + chosen->answerName + "\n";
    } else if (answer) {
        chosen = &defaultButton;
        entry += std::string("  answer: ") + chosen->answerName + " (default; scripted \"" + *answer +
                 "\" is not a button of this box)\n";
    } else {
        chosen = &defaultButton;
        entry += std::string("  answer: ") + chosen->answerName + " (default)\n";
    }
    platform::AppendTranscript(machine, entry);
    return chosen->id;
}
