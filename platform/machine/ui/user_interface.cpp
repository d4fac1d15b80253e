#include "platform/machine/ui/user_interface.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

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
    std::ofstream stream(folder / "answers", std::ios::binary | std::ios::app);
    stream << answer << '\n';
}

std::optional<std::string> AnswerProblem(std::string_view answer) {
    std::string_view trimmed = TrimBlanks(answer);
    if (trimmed.empty()) return std::string("an answer cannot be empty");
    if (answer.find_first_of("\r\n") != std::string_view::npos) return std::string("an answer is one line");
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

std::optional<std::string> TakeAnswer(Machine& machine) {
    std::filesystem::path folder = UiFolder(machine);
    FileLock lock(folder / ".lock");
    std::ifstream input(folder / "answers", std::ios::binary);
    std::string first;
    std::ostringstream rest;
    bool found = false;
    std::string line;
    while (std::getline(input, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!found) {
            if (line.empty()) continue;
            first = line;
            found = true;
            continue;
        }
        rest << line << '\n';
    }
    input.close();
    if (!found) return std::nullopt;
    std::ofstream output(folder / "answers", std::ios::binary | std::ios::trunc);
    output << rest.str();
    return first;
}

}  // namespace platform
