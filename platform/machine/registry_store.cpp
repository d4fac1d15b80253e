#include "platform/machine/registry_store.h"

#include "platform/machine/sqlite_database.h"

namespace platform {

void InitializeMachineRegistry(const std::filesystem::path& folder, const MachineSettings&) {
    SqliteDatabase database(folder / "registry.db");
}

void ImportRegistryText(Machine&, std::string_view) {}

std::string ExportRegistryText(Machine&, std::string_view) { return "REGEDIT4\r\n\r\n"; }

}  // namespace platform
