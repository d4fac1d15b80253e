// Program stubs: inside a machine, a program's file (an .exe or .dll) is a small text file that names the
// host program built for it and carries the program's version information. The first line is
//
//     #winstub program=<host program name>
//
// and each further line is one version field, "<name>=<value>": the strings of the version information
// ("FileVersion", "ProductVersion", "CompanyName", "InternalName", "Comments", ...) in the order given,
// and "Translation=<language><code page>" in the form of a string table's name ("041004E4"). Copying the
// stub copies the program, as copying an .exe does. CreateProcessA, LoadLibraryA and GetFileVersionInfoA
// all read stubs through this parser.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class Machine;

inline constexpr char kProgramStubMarker[] = "#winstub";

// Version fields by name, in the order they were written.
using VersionFields = std::vector<std::pair<std::string, std::string>>;

struct ProgramStub {
    std::string program;
    VersionFields versionFields;
};

// nullopt when the contents are not a stub (any other file). Lines may end with "\r\n" or "\n"; blank
// lines and lines without '=' are ignored.
std::optional<ProgramStub> ParseProgramStub(std::string_view contents);
std::string FormatProgramStub(const ProgramStub& stub);

// Writes a stub at a Windows path of the machine, creating its folders. False when the path is not a
// valid Windows path of the machine or the file cannot be written.
bool WriteProgramStub(Machine& machine, std::string_view windowsPath, std::string_view program,
                      const VersionFields& versionFields);

// Writes the stubs of Windows' own programs every machine has (platform/programs): rundll32.exe,
// regsvr32.exe, cscript.exe and msiexec.exe in the system folder, rundll32.exe in the Windows folder on Windows 9x, where those
// systems keep it; and the library of the web browser control, shdocvw.dll, in the system folder.
void WriteSystemPrograms(Machine& machine);

}  // namespace platform
