#include "CWindowShutDown.h"

namespace {

constexpr char SECTION_NAME[] = "WindowShutdown";

}  // namespace

CWindowShutDown::CWindowShutDown(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CWindowShutDown::IsEnabled() {
    // The settings are read as for every uninstaller, so the section name is kept and a data file without
    // "enabled" is reported; the removal work itself comes later, and until it exists this uninstaller
    // never runs, whatever the data file says.
    ReadSettings(SECTION_NAME);
    return 0;
}

unsigned int CWindowShutDown::Delete() {
    return 0;
}
