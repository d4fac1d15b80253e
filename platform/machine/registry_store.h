// The machine's registry, kept in registry.db.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/machine/machine.h"

namespace platform {

// Creates registry.db for a new machine with the keys every installation of its system has.
void InitializeMachineRegistry(const std::filesystem::path& folder, const MachineSettings& settings);

// Reads REGEDIT4 text into the machine's registry (keys created, values set, "[-key]" and "name"=-
// deleted). Throws std::runtime_error naming the line of a malformed entry.
void ImportRegistryText(Machine& machine, std::string_view text);
// REGEDIT4 text of the key (a full path such as "HKEY_LOCAL_MACHINE\SOFTWARE\X") and all below it;
// an empty path exports every root.
std::string ExportRegistryText(Machine& machine, std::string_view keyPath);

}  // namespace platform
