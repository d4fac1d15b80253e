// Where version information lives in a machine: a program stub carries its fields as text, any other
// file may carry a VS_VERSIONINFO block in Windows' binary layout (as a module's RT_VERSION resource
// holds it). Both are handed out as the binary block, so VerQueryValueA reads them alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/machine/processes/program_stub.h"
#include "windows.h"

namespace platform {

using VersionBlock = std::vector<std::uint8_t>;

// The VS_VERSIONINFO block of a stub's fields: FileVersion and ProductVersion ("3.00.0008" or "3, 0, 0,
// 8") also give the fixed file and product versions; "Translation" names the string table
// ("041004E4", US English and code page 1252 when absent). nullopt when the stub has no version field.
std::optional<VersionBlock> StubVersionBlock(const VersionFields& fields, std::string_view fileName);

// The first VS_VERSIONINFO block found in a file's bytes: a node keyed "VS_VERSION_INFO" on a 4-byte
// boundary whose value is a VS_FIXEDFILEINFO with its signature.
std::optional<VersionBlock> FindVersionBlock(const std::vector<std::uint8_t>& bytes);

// The version information of a file of the machine as GetFileVersionInfoA hands it out; on failure
// nullopt with the Windows error in `error`: the error of opening the file, ERROR_RESOURCE_DATA_NOT_FOUND
// for a file without resources, ERROR_RESOURCE_TYPE_NOT_FOUND for a program stub without version fields.
std::optional<VersionBlock> FileVersionBlock(LPCSTR fileName, DWORD& error);

}  // namespace platform
