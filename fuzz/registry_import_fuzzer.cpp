// REGEDIT4 text imported into the registry of a temporary machine: a malformed entry is refused with
// the error the importer documents, and what an import leaves exports as text that imports back to the
// same registry (the second export equals the first).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/testing/test_machine.h"

namespace {

// One machine for the whole run; every input starts from empty roots.
platform::TestMachine& Machine() {
    static platform::TestMachine machine(platform::OsKind::WindowsXP);
    return machine;
}

void ClearRegistry(platform::Machine& machine) {
    platform::RegistryStore& store = platform::RegistryStore::For(machine);
    platform::RegistryStore::Batch batch(store);
    for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_DYN_DATA"}) {
        std::optional<std::int64_t> id = store.RootId(root);
        if (!id) continue;
        for (const platform::RegistrySubkey& subkey : store.Subkeys(*id)) store.DeleteKeyTree(subkey.id);
        for (const platform::RegistryValue& value : store.Values(*id)) store.DeleteValue(*id, value.name);
    }
    batch.Commit();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::Machine& machine = Machine().machine();
    ClearRegistry(machine);
    try {
        platform::ImportRegistryText(machine, fuzz::AsText(data, size));
    } catch (const std::runtime_error& error) {
        // The importer's own refusals name the line; anything else comes from below it.
        if (std::string_view(error.what()).rfind("registry text line ", 0) != 0)
            fuzz::Broken(std::string("import failed: ") + error.what());
    }
    std::string first = platform::ExportRegistryText(machine, "");
    ClearRegistry(machine);
    try {
        platform::ImportRegistryText(machine, first);
    } catch (const std::runtime_error& error) {
        fuzz::Mismatch((std::string("the export does not import: ") + error.what()).c_str(), first, "");
    }
    std::string second = platform::ExportRegistryText(machine, "");
    if (second != first) fuzz::Mismatch("the export of the imported export differs", first, second);
    return 0;
}
