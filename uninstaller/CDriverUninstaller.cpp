#include "CDriverUninstaller.h"

namespace {

constexpr char SECTION_NAME[] = "DriverUninstaller";

}  // namespace

CDriverUninstaller::CDriverUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CDriverUninstaller::IsEnabled() {
    // The settings are read as for every uninstaller, so the section name is kept and a data file without
    // "enabled" is reported; the removal work itself comes later, and until it exists this uninstaller
    // never runs, whatever the data file says.
    ReadSettings(SECTION_NAME);
    return 0;
}

unsigned int CDriverUninstaller::Delete() {
    return 0;
}
