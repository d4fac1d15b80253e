#include "platform/machine/processes/program_stub.h"

#include <fstream>

#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

constexpr std::string_view kProgramKey = "program=";

// The next line of `text` without its line end; `text` moves past it.
std::string_view NextLine(std::string_view& text) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

std::optional<ProgramStub> ParseProgramStub(std::string_view contents) {
    std::string_view first = NextLine(contents);
    constexpr std::string_view marker = kProgramStubMarker;
    if (first.substr(0, marker.size()) != marker) return std::nullopt;
    std::string_view rest = TrimBlanks(first.substr(marker.size()));
    if (rest.size() <= kProgramKey.size() || !EqualsNoCase(rest.substr(0, kProgramKey.size()), kProgramKey))
        return std::nullopt;
    ProgramStub stub;
    stub.program = std::string(TrimBlanks(rest.substr(kProgramKey.size())));
    if (stub.program.empty()) return std::nullopt;
    while (!contents.empty()) {
        std::string_view line = NextLine(contents);
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        std::string_view name = TrimBlanks(line.substr(0, equals));
        if (name.empty()) continue;
        stub.versionFields.emplace_back(std::string(name), std::string(line.substr(equals + 1)));
    }
    return stub;
}

std::string FormatProgramStub(const ProgramStub& stub) {
    std::string text =
        std::string(kProgramStubMarker) + " " + std::string(kProgramKey) + stub.program + "\r\n";
    for (const auto& [name, value] : stub.versionFields) text += name + "=" + value + "\r\n";
    return text;
}

bool WriteProgramStub(Machine& machine, std::string_view windowsPath, std::string_view program,
                      const VersionFields& versionFields) {
    std::optional<WindowsPath> path = ParseWindowsPath(windowsPath, "C:\\");
    if (!path || path->components.empty()) return false;
    if (!ResolveHostPath(machine, *path)) return false;
    CreateMachineFolder(machine, path->Parent().ToString());
    std::optional<HostPath> host = ResolveHostPath(machine, *path);
    if (!host || host->isDirectory) return false;
    bool written = false;
    {
        std::ofstream stream(host->host, std::ios::binary | std::ios::trunc);
        stream << FormatProgramStub({std::string(program), versionFields});
        written = static_cast<bool>(stream);
    }
    NoteFilesChanged(machine);
    return written;
}

void WriteSystemPrograms(Machine& machine) {
    const MachineSettings& settings = machine.settings();
    std::string rundllFolder = machine.IsNT() ? settings.systemFolder : settings.windowsFolder;
    WriteProgramStub(machine, rundllFolder + "\\rundll32.exe", "rundll32", {});
    WriteProgramStub(machine, settings.systemFolder + "\\regsvr32.exe", "regsvr32", {});
    WriteProgramStub(machine, settings.systemFolder + "\\cscript.exe", "cscript", {});
    WriteProgramStub(machine, settings.systemFolder + "\\msiexec.exe", "msiexec", {});
    // The web browser control's library, registered with the machine's classes.
    WriteProgramStub(machine, settings.systemFolder + "\\shdocvw.dll", "libshdocvw.so", {});
}

}  // namespace platform
