#include "CMsiUninstaller.h"

#include <cstdio>

#include "CUninstallerProgress.h"
#include "DataFile.h"
#include "DeviceApis.h"
#include "LaunchedProgram.h"
#include "UninstallEntry.h"

namespace {

constexpr char SECTION_NAME[] = "MsiUninstaller";
constexpr char LOOKING_FOR[] = "CMsiUninstaller looking for";
constexpr char KEY_MISSING[] = "CMsiUninstaller::Delete() %s doesn't exist\n";
constexpr char MSIEXEC_REMOVE[] = "msiexec /x";
constexpr char MSIEXEC_OPTIONS[] = " /qb! REBOOT=ReallySuppress";
constexpr char COULD_NOT_LAUNCH[] = "Could not launch %s.\n";
constexpr char COULD_NOT_LAUNCH_ENTRY[] = "Could not launch ";
constexpr char UNCLEAR_FINISH[] = "Unclear finish of %s.\n";
constexpr char LAUNCHED[] = "Launched= ";
constexpr char FAILED_TO_FINISH[] = " and failed to finish";
constexpr char LINE_END[] = "\r\n";
constexpr DWORD DISPLAY_NAME_SIZE = MAX_PATH;

}  // namespace

CMsiUninstaller::CMsiUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CMsiUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CMsiUninstaller::Delete() {
    long timeoutValue = ReadTimeout(SECTION_NAME);
    DWORD timeout = timeoutValue <= 0 ? INFINITE : static_cast<DWORD>(timeoutValue);
    for (const CaseInsensitiveString& item : m_itemList) {
        CaseInsensitiveString key;
        CRegKeyGuard entry;
        if (!OpenUninstallEntry(item, LOOKING_FOR, KEY_MISSING, m_logList, entry, key)) continue;
        char displayName[DISPLAY_NAME_SIZE];
        BOOL named = ReadEntryValue(entry.Get(), DISPLAY_NAME_VALUE, displayName, DISPLAY_NAME_SIZE);
        entry.Close();
        if (m_pProgress) m_pProgress->SetStatusText(named ? displayName : item.c_str());

        CaseInsensitiveString command = Trimmed(MSIEXEC_REMOVE + item + MSIEXEC_OPTIONS);
        CLaunchedProgram msiexec;
        if (!msiexec.Launch(command.c_str())) {
            std::printf(COULD_NOT_LAUNCH, command.c_str());
            m_errorList.push_back(COULD_NOT_LAUNCH_ENTRY + command + LINE_END);
            continue;
        }
        if (msiexec.Wait(timeout) != WAIT_OBJECT_0) {
            std::printf(UNCLEAR_FINISH, command.c_str());
            m_errorList.push_back(LAUNCHED + command + FAILED_TO_FINISH + LINE_END);
        }
    }
    return 0;
}
