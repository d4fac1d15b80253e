#include "CRemoveProgramUninstaller.h"

#include <cstdio>
#include <cstdlib>

#include "CUninstallerProgress.h"
#include "DataFile.h"
#include "DeviceApis.h"
#include "LaunchedProgram.h"
#include "UninstallEntry.h"

namespace {

constexpr char SECTION_NAME[] = "RemoveProgramUninstaller";
constexpr char LOOKING_FOR[] = "CRemoveProgramUninstaller looking for ";
constexpr char KEY_MISSING[] = "CRemoveProgramUninstaller::Delete() %s doesn't exist\n";
constexpr char COMMAND_MISSING[] = "CRemoveProgramUninstaller::Delete() %s\\UninstallString doesn't exist\n";
constexpr char COMMAND_MISSING_ENTRY[] = "CRemoveProgramUninstaller::Delete() ";
constexpr char COMMAND_MISSING_ENTRY_END[] = "\\UninstallString doesn't exist";
constexpr char REMOVING_PROGRAM[] = "Removing program= ";
constexpr char COULD_NOT_LAUNCH[] = "Could not launch %s.\n";
constexpr char COULD_NOT_LAUNCH_ENTRY[] = "Could not launch ";
constexpr char UNCLEAR_FINISH[] = "Unclear finish of %s.\n";
constexpr char LAUNCHED[] = "Launched= ";
constexpr char FAILED_TO_FINISH[] = " and failed to finish";
constexpr char LINE_END[] = "\r\n";
constexpr DWORD COMMAND_SIZE = 520;
constexpr DWORD DISPLAY_NAME_SIZE = MAX_PATH;

}  // namespace

CRemoveProgramUninstaller::CRemoveProgramUninstaller(CUninstallerProgress* pProgress)
    : CUninstaller(pProgress) {}

unsigned int CRemoveProgramUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CRemoveProgramUninstaller::Delete() {
    // Without a "timeout" the wait does not block: a command still running is reported at once.
    DWORD timeout = static_cast<DWORD>(ReadTimeout(SECTION_NAME));
    for (const CaseInsensitiveString& item : m_itemList) {
        CaseInsensitiveString key;
        CRegKeyGuard entry;
        if (!OpenUninstallEntry(item, LOOKING_FOR, KEY_MISSING, m_logList, entry, key)) continue;
        char command[COMMAND_SIZE];
        if (!ReadEntryValue(entry.Get(), UNINSTALL_STRING_VALUE, command, COMMAND_SIZE)) {
            std::printf(COMMAND_MISSING, key.c_str());
            m_errorList.push_back(COMMAND_MISSING_ENTRY + key + COMMAND_MISSING_ENTRY_END + LINE_END);
            continue;
        }
        char displayName[DISPLAY_NAME_SIZE];
        BOOL named = ReadEntryValue(entry.Get(), DISPLAY_NAME_VALUE, displayName, DISPLAY_NAME_SIZE);
        entry.Close();
        if (m_pProgress) m_pProgress->SetStatusText(named ? displayName : command);

        m_logList.push_back(REMOVING_PROGRAM + item + command + LINE_END);
        CLaunchedProgram program;
        if (!program.Launch(command)) {
            std::printf(COULD_NOT_LAUNCH, command);
            m_errorList.push_back(COULD_NOT_LAUNCH_ENTRY + CaseInsensitiveString(command) + LINE_END);
            continue;
        }
        if (program.Wait(timeout) != WAIT_OBJECT_0) {
            std::printf(UNCLEAR_FINISH, command);
            m_errorList.push_back(LAUNCHED + CaseInsensitiveString(command) + FAILED_TO_FINISH + LINE_END);
        }
    }
    return 0;
}
