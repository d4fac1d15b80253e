// Shows the device library's qualified INI lookups on a data file of the machine it runs in.
#include <cstdio>

#include "IniLookup.h"
#include "OsVersion.h"
#include "windows.h"

namespace {

void Show(const char* what, unsigned int found, const char* value) {
    std::printf("  %-52s %s\n", what, found ? value : "(not found)");
}

}  // namespace

int main(int argc, char** argv) {
    const char* file = argc > 1 ? argv[1] : "qnvins08.dat";
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    std::printf("Windows %lu.%lu %s, system language 0x%X; data file %s\n",
                static_cast<unsigned long>(version.dwMajorVersion), static_cast<unsigned long>(version.dwMinorVersion),
                version.szCSDVersion, GetSystemDefaultLangID(), file);
    char value[MAX_PATH];
    unsigned int found = GetValueByLang(file, "Version", "DefaultLanguageInThisRelease", value, sizeof value, 0x800);
    Show("[Version.<language>] DefaultLanguageInThisRelease:", found, value);
    found = GetValueByLang(file, "Version", "Manufacturer", value, sizeof value, 0x800);
    Show("[Version.<language>] Manufacturer (from [Version]):", found, value);
    found = GetValueBySPAndOS(file, "Printer", "MonitorName", value, sizeof value);
    Show("[Printer.<version>.<service pack>] MonitorName:", found, value);
    found = GetValueBySPAndOS(file, "Printer", "RestartNeeded", value, sizeof value);
    Show("[Printer.<version>] RestartNeeded:", found, value);
    found = GetValueByQualifier(file, "Models", nullptr, "2", value, sizeof value);
    Show("[Models] 2:", found, value);
    return 0;
}
