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
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Machine;

// Appends one entry (one or more lines) to the transcript; entries of several processes never mix.
void AppendTranscript(Machine& machine, std::string_view entry);
std::string ReadTranscript(Machine& machine);
void ClearTranscript(Machine& machine);

// Answers are taken first in, first out: one line each, a button name ("IDOK", "IDCANCEL", "IDYES", ...)
// or a number.
void AddAnswer(Machine& machine, std::string_view answer);
std::optional<std::string> TakeAnswer(Machine& machine);

}  // namespace platform
