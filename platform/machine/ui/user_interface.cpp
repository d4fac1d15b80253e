#include "platform/machine/ui/user_interface.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/machine/kernel/shared_counters.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

// An exclusive lock on a file of the ui folder for the lifetime of the object.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& file) {
        descriptor_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (descriptor_ >= 0) ::flock(descriptor_, LOCK_EX);
    }
    ~FileLock() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int descriptor_ = -1;
};

std::filesystem::path UiFolder(Machine& machine) {
    std::filesystem::path folder = machine.folder() / "ui";
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace

void AppendTranscript(Machine& machine, std::string_view entry) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::ofstream stream(folder / "transcript.log", std::ios::binary | std::ios::app);
    stream << entry;
    if (entry.empty() || entry.back() != '\n') stream << '\n';
}

std::string ReadTranscript(Machine& machine) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::ifstream stream(folder / "transcript.log", std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

void ClearTranscript(Machine& machine) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::ofstream stream(folder / "transcript.log", std::ios::binary | std::ios::trunc);
}

void AddAnswer(Machine& machine, std::string_view answer) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    {
        std::ofstream stream(folder / "answers", std::ios::binary | std::ios::app);
        stream << answer << '\n';
    }
    machine.counters().Advance(SharedCounter::Answers);
}

namespace {

constexpr std::string_view kAddressPrefix = "Dialog ";
constexpr std::string_view kCountPrefix = " after ";
constexpr std::string_view kLinkPrefix = "link ";

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The answers file's lines, empty ones left out; read and written under the ui folder's lock.
std::vector<std::string> ReadAnswerLines(const std::filesystem::path& file) {
    std::ifstream input(file, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(input, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

void WriteAnswerLines(const std::filesystem::path& file, const std::vector<std::string>& lines) {
    std::ofstream output(file, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) output << line << '\n';
}

}  // namespace

bool IsAddressedAnswer(std::string_view line) {
    std::string_view trimmed = TrimBlanks(line);
    return trimmed.size() > kAddressPrefix.size() && trimmed.substr(0, kAddressPrefix.size()) == kAddressPrefix &&
           trimmed[kAddressPrefix.size()] >= '0' && trimmed[kAddressPrefix.size()] <= '9';
}

std::optional<AddressedAnswer> ParseAddressedAnswer(std::string_view line) {
    if (!IsAddressedAnswer(line)) return std::nullopt;
    std::string_view rest = TrimBlanks(line).substr(kAddressPrefix.size());
    size_t colon = rest.find_first_not_of("0123456789");
    if (colon == std::string_view::npos || rest[colon] != ':' || colon > 5) return std::nullopt;
    AddressedAnswer addressed;
    addressed.dialogId = static_cast<unsigned>(std::stoul(std::string(rest.substr(0, colon))));
    if (addressed.dialogId == 0 || addressed.dialogId > 0xFFFF) return std::nullopt;
    std::string_view answer = TrimBlanks(rest.substr(colon + 1));
    // A count left out after its word is a mistake, not part of a button's text.
    std::string_view countWord = TrimBlanks(kCountPrefix);
    if (answer.size() > countWord.size() && answer.substr(answer.size() - countWord.size()) == countWord &&
        answer[answer.size() - countWord.size() - 1] == ' ') {
        return std::nullopt;
    }
    size_t count = answer.rfind(kCountPrefix);
    if (count != std::string_view::npos) {
        std::string_view digits = TrimBlanks(answer.substr(count + kCountPrefix.size()));
        if (!IsDigits(digits) || digits.size() > 9) return std::nullopt;
        addressed.after = static_cast<unsigned>(std::stoul(std::string(digits)));
        answer = TrimBlanks(answer.substr(0, count));
    }
    if (answer.empty()) return std::nullopt;
    addressed.answer = std::string(answer);
    return addressed;
}

std::optional<std::string> AnswerProblem(std::string_view answer) {
    std::string_view trimmed = TrimBlanks(answer);
    if (trimmed.empty()) return std::string("an answer cannot be empty");
    if (answer.find_first_of("\r\n") != std::string_view::npos) return std::string("an answer is one line");
    if (std::optional<std::string> path = FileAnswerPath(trimmed); path && path->empty())
        return std::string("a file dialog's answer names a file (File: <path>)");
    if (IsAddressedAnswer(trimmed)) {
        std::optional<AddressedAnswer> addressed = ParseAddressedAnswer(trimmed);
        if (!addressed || IsAddressedAnswer(addressed->answer)) {
            return "'" + std::string(trimmed) +
                   "' is not an answer for a modeless dialog (Dialog <id 1..65535>: <answer>[ after <count>])";
        }
        return AnswerProblem(addressed->answer);
    }
    bool standardForm = trimmed.size() > 2 && trimmed.substr(0, 2) == "ID" &&
                        trimmed.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string_view::npos;
    if (!standardForm) return std::nullopt;
    for (const char* name : kStandardAnswers) {
        if (trimmed == name) return std::nullopt;
    }
    std::string names;
    for (const char* name : kStandardAnswers) names += std::string(names.empty() ? "" : ", ") + name;
    return "'" + std::string(trimmed) + "' is not a standard answer (" + names + ")";
}

std::optional<std::string> FileAnswerPath(std::string_view answer) {
    constexpr std::string_view prefix = "File:";
    std::string_view trimmed = TrimBlanks(answer);
    if (trimmed.size() < prefix.size() || !EqualsNoCase(trimmed.substr(0, prefix.size()), prefix)) return std::nullopt;
    return std::string(TrimBlanks(trimmed.substr(prefix.size())));
}

std::optional<std::string> TakeAnswer(Machine& machine) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::vector<std::string> lines = ReadAnswerLines(folder / "answers");
    for (auto line = lines.begin(); line != lines.end(); ++line) {
        if (IsAddressedAnswer(*line)) continue;
        std::string taken = *line;
        lines.erase(line);
        WriteAnswerLines(folder / "answers", lines);
        return taken;
    }
    return std::nullopt;
}

namespace {

// The looks of this process that found nothing addressed to a dialog, with the machine's answers
// generation then. A modeless dialog looks whenever its thread's queue runs empty, which a busy program's
// progress messages make happen thousands of times a second; only a new answer (AddAnswer moves the
// generation on) can give it something to find, and taking or counting down answers removes none that
// another dialog could find.
struct EmptyLook {
    const Machine* machine = nullptr;
    std::string folder;
    unsigned dialogId = 0;
    std::uint64_t generation = 0;
};

std::mutex& EmptyLooksMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<EmptyLook>& EmptyLooks() {
    static std::vector<EmptyLook> looks;
    return looks;
}

bool FoundNothingBefore(const Machine& machine, unsigned dialogId, std::uint64_t generation) {
    std::lock_guard<std::mutex> lock(EmptyLooksMutex());
    for (const EmptyLook& look : EmptyLooks()) {
        if (look.machine == &machine && look.dialogId == dialogId && look.folder == machine.folder().native())
            return look.generation == generation;
    }
    return false;
}

void RememberFoundNothing(const Machine& machine, unsigned dialogId, std::uint64_t generation) {
    std::lock_guard<std::mutex> lock(EmptyLooksMutex());
    for (EmptyLook& look : EmptyLooks()) {
        if (look.machine == &machine && look.dialogId == dialogId && look.folder == machine.folder().native()) {
            look.generation = generation;
            return;
        }
    }
    EmptyLooks().push_back({&machine, machine.folder().native(), dialogId, generation});
}

}  // namespace

DialogAnswerLook TakeDialogAnswer(Machine& machine, unsigned dialogId) {
    // Read before the file, so that an answer added after the file was read moves it on.
    std::uint64_t generation = machine.counters().Read(SharedCounter::Answers);
    DialogAnswerLook look;
    if (FoundNothingBefore(machine, dialogId, generation)) return look;
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::vector<std::string> lines = ReadAnswerLines(folder / "answers");
    bool addressedHere = false;
    for (auto line = lines.begin(); line != lines.end(); ++line) {
        std::optional<AddressedAnswer> addressed = ParseAddressedAnswer(*line);
        if (!addressed || addressed->dialogId != dialogId) continue;
        addressedHere = true;
        if (addressed->after > 0) {
            look.waiting = true;
            *line = std::string(kAddressPrefix) + std::to_string(dialogId) + ": " + addressed->answer;
            if (addressed->after > 1) *line += std::string(kCountPrefix) + std::to_string(addressed->after - 1);
        } else {
            look.answer = addressed->answer;
            lines.erase(line);
        }
        WriteAnswerLines(folder / "answers", lines);
        break;
    }
    if (!addressedHere) RememberFoundNothing(machine, dialogId, generation);
    return look;
}

std::optional<std::string> LinkOfAnswer(std::string_view answer) {
    std::string_view trimmed = TrimBlanks(answer);
    if (trimmed.size() <= kLinkPrefix.size() || !EqualsNoCase(trimmed.substr(0, kLinkPrefix.size()), kLinkPrefix))
        return std::nullopt;
    std::string_view link = TrimBlanks(trimmed.substr(kLinkPrefix.size()));
    if (link.empty()) return std::nullopt;
    return std::string(link);
}

std::optional<std::string> TakeDialogLinkAnswer(Machine& machine, unsigned dialogId) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::vector<std::string> lines = ReadAnswerLines(folder / "answers");
    for (auto line = lines.begin(); line != lines.end(); ++line) {
        std::optional<AddressedAnswer> addressed = ParseAddressedAnswer(*line);
        if (!addressed || addressed->dialogId != dialogId) continue;
        std::optional<std::string> link = LinkOfAnswer(addressed->answer);
        if (!link) continue;
        if (addressed->after > 0) {
            *line = std::string(kAddressPrefix) + std::to_string(dialogId) + ": " + addressed->answer;
            if (addressed->after > 1) *line += std::string(kCountPrefix) + std::to_string(addressed->after - 1);
            WriteAnswerLines(folder / "answers", lines);
            return std::nullopt;
        }
        lines.erase(line);
        WriteAnswerLines(folder / "answers", lines);
        return link;
    }
    return std::nullopt;
}

namespace {

// The pictures' index: one line per picture, its file name, a tab and the window's title.
constexpr const char* kPictureIndex = "pictures";

bool IsPictureLine(std::string_view line) {
    if (line.substr(0, kPictureLinePrefix.size()) == kPictureLinePrefix) return true;
    bool header = line.substr(0, 7) == "Dialog " || line.substr(0, 7) == "Window ";
    std::string infix = "\"" + std::string(kPictureEntryInfix) + "ui/";
    return header && line.find(infix) != std::string_view::npos && line.size() > 4 &&
           line.substr(line.size() - 4) == ".png";
}

}  // namespace

std::string WithoutPictureLines(std::string_view transcript) {
    std::string kept;
    size_t start = 0;
    while (start < transcript.size()) {
        size_t end = transcript.find('\n', start);
        size_t next = end == std::string_view::npos ? transcript.size() : end + 1;
        std::string_view line = transcript.substr(start, (end == std::string_view::npos ? transcript.size() : end) - start);
        if (!IsPictureLine(line)) kept.append(transcript.substr(start, next - start));
        start = next;
    }
    return kept;
}

PictureFile NewPictureFile(Machine& machine, std::string_view kind, std::string_view title) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::vector<std::string> lines = ReadAnswerLines(folder / kPictureIndex);
    char number[16];
    std::snprintf(number, sizeof number, "%04zu", lines.size() + 1);
    std::string file = std::string(number) + "-" + std::string(kind) + ".png";
    std::ofstream index(folder / kPictureIndex, std::ios::binary | std::ios::app);
    std::string oneLine(title);
    for (char& character : oneLine) {
        if (character == '\n' || character == '\r' || character == '\t') character = ' ';
    }
    index << file << '\t' << oneLine << '\n';
    return PictureFile{folder / file, "ui/" + file};
}

std::optional<std::filesystem::path> NewestPicture(Machine& machine, std::string_view title) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::vector<std::string> lines = ReadAnswerLines(folder / kPictureIndex);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        size_t tab = line->find('\t');
        if (tab == std::string::npos) continue;
        if (!title.empty() && std::string_view(*line).substr(tab + 1) != title) continue;
        std::filesystem::path file = folder / line->substr(0, tab);
        if (std::filesystem::exists(file)) return file;
    }
    return std::nullopt;
}

}  // namespace platform
