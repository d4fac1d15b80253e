// What the machine's user was shown (ui/transcript.log) and the answers scripted for them (ui/answers).
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
