// What the machine's user was shown (ui/transcript.log) and the answers scripted for them (ui/answers).
//
// A message box (MessageBoxA) is one entry: its caption, its text (one line per line of the box,
// continuation lines indented under the first; line breaks ending the text left out), its buttons and icon, and the answer with where it came
// from: nothing after the name for a scripted answer, "(default)" when no answer was scripted, and the
// rejected answer when the scripted one is not a button of the box:
//   MessageBox "Caption"
//     text: first line
//           second line
//     buttons: OK Cancel; icon: information
//     answer: IDOK (default)
// Buttons: OK | OK Cancel | Abort Retry Ignore | Yes No Cancel | Yes No | Retry Cancel.
// Icons: none, error, question, warning, information. Answers: IDOK, IDCANCEL, IDABORT, IDRETRY,
// IDIGNORE, IDYES, IDNO, optionally followed by " (default)" or
// " (default; scripted \"<answer>\" is not a button of this box)".
//
// Windows (user32) write an entry when a top-level window is shown, with each visible control on a line of
// its own: id, kind (button, edit, static, progress or the class name in lower case) and quoted text, a
// text's further lines continuing under its first character; " (default)" marks the default push button
// and " (disabled)" a disabled control; a progress bar shows its position and range instead of a text.
// A dialog made from a resource is named "Dialog <id>", one made from a template in memory "Dialog", any
// other window "Window". While the window is shown, a changed text, a control shown or hidden, and the
// window's caption each make a "changed" entry; hiding it and destroying it make one line each:
//   Dialog 102 "Avanzamento rimozione" shown
//     1001 progress: 0 (range 0..100)
//     1002 static: ""
//   Dialog 102 "Avanzamento rimozione" changed
//     1002 static: "Rimozione di C:\WINDOWS\x.dll"
//   Dialog 102 "Avanzamento rimozione" changed
//     1003 static: hidden
//   Dialog 102 "Avanzamento rimozione" changed
//     caption: "Attendere..."
//   Dialog 102 "Attendere..." hidden
//   Dialog 102 "Attendere..." closed
// A modal dialog, once it has nothing left to do, takes the next answer: a standard name ("IDOK",
// "IDCANCEL" - Esc, always there - "IDYES", ...), a button id, or a button's text without its '&' marks
// (any case), naming a visible, enabled button. Without one it takes its default button (DM_GETDEFID,
// else IDOK). The answer is clicked (WM_COMMAND), so the dialog's own handling runs; while the dialog
// stays open the user answers again, and when even the default button leaves it open it is ended with -1:
//   Dialog 104 "Rimozione" answer: IDCANCEL
//   Dialog 104 "Rimozione" answer: IDOK "Riavvia" (default)
//   Dialog 103 "Avvertenza" answer: IDOK "&Avanti >" (default; scripted "Si" is not a button of this dialog)
//   Dialog 101 "Errori" answer: none (no answer left, and the default button leaves the dialog open); ended with -1
// A modeless dialog is driven by the program and takes none of these answers. The user can still press
// one of its buttons while it is on the screen: an answer addressed to the dialog by its resource id,
// "Dialog <id>: <answer>" (the answer as above), is taken when the thread's message loop finds its queue
// empty while a visible modeless dialog of that id exists, and clicked as a posted WM_COMMAND, so the
// dialog's own handling runs when the loop dispatches it. " after <count>" lets the loop find its queue
// empty that many times first ("Dialog 1001: IDCANCEL after 3" is taken the fourth time). The answer is
// recorded as a modal one is; one that names no button of the dialog is dropped:
//   Dialog 1001 "QN Kenro" answer: IDCANCEL "Annulla"
//   Dialog 1001 "QN Kenro" answer: none (scripted "Avanti" is not a button of this dialog)
// Modal dialogs and message boxes pass over addressed answers, and modeless dialogs never take the others.
// Besides pressing buttons, an answer (plain for a modal dialog, addressed for a modeless one) can act on
// a control of the dialog, as the user does with the mouse and the keys. The control is named by its id
// and must be on the screen; an act on the tabs or the system menu goes to the window the dialog is in
// (the property sheet of a page):
//   combo <id>: <item>            picks the item of that text (exact, any case) in a combo box or list box
//   list <id>: click <row>        clicks the row (0 the first) of a list view or list box
//   list <id>: double-click <row> double-clicks it
//   list <id>: key <key>          presses Home, End, Up, Down, PageUp, PageDown, Enter or Space in it
//   tab: <tab>                    switches to the tab of that title ('&' marks left out, any case), or
//                                 the one at that position from 1
//   system menu: <item>           picks the system-menu item of that text ('&' marks and the shortcut
//                                 after a tab left out, any case), or of that command id
// The act is recorded as the answer, with what it acted on, and the control tells its parent as it does
// for the user's own mouse and keys (CBN_SELCHANGE, NM_CLICK, LVN_KEYDOWN, TCN_SELCHANGE, WM_SYSCOMMAND):
//   Dialog 102 "Servizi" answer: combo 924 "Stampante B"
//   Dialog 1000 "Risultati test" answer: list 2000 key Down
// One that cannot be done (no such control, item, row or tab) is recorded with the reason; a modal
// dialog then takes its default button, as for an answer that names no button.
//
// Links: a dialog that shows a page (the web browser control) lets the user follow one of its links by
// an addressed answer "Dialog <id>: link <number or text>": the link's number on the page (from 1) or its
// text (any case). A modal dialog takes it at its turn, before its other answers; a modeless one as it
// takes a click. The control records it with the link's text and address, and what following it does
// shows in the entries after; one that names no link of the dialog is dropped:
//   Dialog 102 "Registrazione elettronica" answer: link 1 "Registra ora" -> app:register
//   Dialog 102 "Registrazione elettronica" answer: none (scripted "link 9" is not a link of this dialog)
// The page a browser control shows is an entry of its own, its title, each block of text (headings
// marked) and each link on a line, and the dialog's picture is taken again once the page is painted:
//   Dialog 102 "Registrazione elettronica" page "res://C:\Programmi\Tovo\welcome.exe/register.htm"
//     title: "Registrazione"
//     heading: "Registrate il prodotto"
//     text: "Premere Registra ora per aprire il sito."
//     link 1: "Registra ora" -> app:register
// A progress bar's position and range are written when its window is shown; its moves are not, the
// texts beside it tell the progress.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Machine;

// Appends one entry (one or more lines) to the transcript; entries of several processes never mix.
void AppendTranscript(Machine& machine, std::string_view entry);
std::string ReadTranscript(Machine& machine);
void ClearTranscript(Machine& machine);

// Answers are taken first in, first out: one line each, a button name ("IDOK", "IDCANCEL", "IDYES", ...),
// a number or a button's text, optionally addressed to a modeless dialog.
void AddAnswer(Machine& machine, std::string_view answer);

// An answer addressed to a modeless dialog: "Dialog <id>: <answer>[ after <count>]".
struct AddressedAnswer {
    unsigned dialogId = 0;
    std::string answer;
    unsigned after = 0;
};
// A line starting "Dialog " and a digit is written in the addressed form, and is for a modeless dialog only.
bool IsAddressedAnswer(std::string_view line);
// Its parts; nullopt when the line is not in the addressed form or is malformed in it.
std::optional<AddressedAnswer> ParseAddressedAnswer(std::string_view line);

// The standard answers by the ids Windows gives them: IDOK (1), IDCANCEL, IDABORT, IDRETRY, IDIGNORE,
// IDYES, IDNO (7).
inline constexpr const char* kStandardAnswers[] = {"IDOK", "IDCANCEL", "IDABORT", "IDRETRY", "IDIGNORE", "IDYES", "IDNO"};

// Why an answer cannot be scripted, or nullopt: it is empty or spans lines, or it is written as a
// standard name (upper case, "ID" and letters) that is none of kStandardAnswers, or it is in the addressed
// form with a dialog id outside 1..65535, a count that is not a number, or an answer with one of these
// problems; or it is one of the forms that act on a control, malformed. A number and a button's text are
// taken as they are: which dialog will have them is not known yet.
std::optional<std::string> AnswerProblem(std::string_view answer);
// An answer that acts on a control (see above), in its parts.
struct ControlAnswer {
    enum class Act { Pick, Click, DoubleClick, Key, Tab, SystemMenu };
    Act act = Act::Pick;
    unsigned controlId = 0;  // Pick, Click, DoubleClick and Key
    std::string item;        // Pick, Tab, SystemMenu: the text (or number) named; Key: the key's name
    int row = 0;             // Click and DoubleClick
    unsigned virtualKey = 0; // Key
};
// The answer written in one of the forms that act on a control: "combo ", "list ", "tab:" or
// "system menu:" first.
bool IsControlAnswer(std::string_view answer);
// Its parts; nullopt when it is not in one of those forms or is malformed in it.
std::optional<ControlAnswer> ParseControlAnswer(std::string_view answer);

// The first answer not addressed to a modeless dialog (modal dialogs and message boxes).
std::optional<std::string> TakeAnswer(Machine& machine);

// What a modeless dialog's look at the answers found: the first answer addressed to it, taken when its
// count has run out; one still counting is counted down by one and stays (waiting).
struct DialogAnswerLook {
    std::optional<std::string> answer;
    bool waiting = false;
};
DialogAnswerLook TakeDialogAnswer(Machine& machine, unsigned dialogId);

// Links (above): the link a "link <number or text>" answer names, else nullopt.
std::optional<std::string> LinkOfAnswer(std::string_view answer);
// The first link answer addressed to the dialog, taken when its count has run out (one still counting
// is counted down and stays); other answers addressed to it stay for a modeless dialog of that id.
std::optional<std::string> TakeDialogLinkAnswer(Machine& machine, unsigned dialogId);
// The common file dialogs (GetOpenFileNameA, GetSaveFileNameA) take the next answer too: "File: <path>"
// chooses that file (a relative path is taken in the dialog's folder), IDOK the file the dialog proposes,
// IDCANCEL cancels; without an answer the dialog is cancelled. Their entry names the dialog and its
// title, each filter (the selected one marked), the folder and file it starts with, the picture of the
// dialog ("openfiledialog", "savefiledialog") and the answer; a chosen file that must exist and does not is
// refused, and the dialog takes the next answer:
//   OpenFileDialog "Sfoglia"
//     filter: "Presentazione (tour.exe)" tour.exe (selected)
//     folder: "D:\"
//     file: "tour.exe"
//     picture: ui/0002-openfiledialog.png
//     answer: "D:\TOUR\tour.exe" refused (the file does not exist)
//     answer: "E:\TOUR\tour.exe"
// Other answers: IDOK "<proposed file>", IDCANCEL, IDCANCEL (default), IDCANCEL (default; scripted "<answer>"
// is not an answer of this dialog), "<path>" (does not fit the buffer of <n> characters).
//
// The file dialogs' answers: the path of "File: <path>" (any case, blanks around the path dropped; empty
// when it names none), nullopt for an answer of another form.
std::optional<std::string> FileAnswerPath(std::string_view answer);

// Pictures of the windows, written by user32: PNG files of the ui folder, each named by its number in the
// machine and by what it shows ("0003-dialog-102.png", "0004-window.png"). The entry of a shown window
// ends with its picture's line, and a picture taken again once a scripted answer was handled is an entry
// of one line:
//   Dialog 102 "Avanzamento rimozione" shown
//     1001 progress: 0 (range 0..100)
//     picture: ui/0003-dialog-102.png
//   Dialog 104 "Rimozione" picture: ui/0005-dialog-104.png
inline constexpr std::string_view kPictureLinePrefix = "  picture: ";
inline constexpr std::string_view kPictureEntryInfix = " picture: ";
// The transcript without the pictures' lines.
std::string WithoutPictureLines(std::string_view transcript);
// Reserves the next picture's file (`kind` names what it shows: "dialog-102", "window"); the index of
// the ui folder records it with the window's title. `name` is the file as the transcript names it.
struct PictureFile {
    std::filesystem::path path;
    std::string name;
};
PictureFile NewPictureFile(Machine& machine, std::string_view kind, std::string_view title);
// The newest picture of a window with that title (of any window when the title is empty).
std::optional<std::filesystem::path> NewestPicture(Machine& machine, std::string_view title);

}  // namespace platform
