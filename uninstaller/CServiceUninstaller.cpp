#include "CServiceUninstaller.h"

#include <cstdio>

#include "DataFile.h"
#include "LaunchedProgram.h"
#include "OsVersion.h"
#include "ServiceRemoval.h"
#include "UninstallerGlobals.h"

namespace {

constexpr char SECTION_NAME[] = "ServiceUninstaller";
constexpr char PROGRAM_EXTENSION[] = ".exe";
constexpr char SUCCESSFULLY[] = "Successfully = ";
constexpr char TIMED_OUT[] = "Timed out waiting to finish for %s.\n";
constexpr char LAUNCHED[] = "Launched= ";
constexpr char TIMED_OUT_ENTRY[] = " and timed out and failed to finish";
constexpr char UNSUCCESSFUL_FINISH[] = "Unsuccessful finish of %s.\n";
constexpr char FAILED_TO_FINISH[] = " and failed to finish";
constexpr char COULD_NOT_LAUNCH[] = "Could not launch %s.\n";
constexpr char COULD_NOT_LAUNCH_ENTRY[] = "Could not launch ";
constexpr char LINE_END[] = "\r\n";
constexpr DWORD PROGRAM_TIMEOUT = 30000;

// Runs an item that names a program and waits for it.
void RunProgram(const CaseInsensitiveString& commandLine, CaseInsensitiveStringList& logList,
                CaseInsensitiveStringList& errorList) {
    CLaunchedProgram program;
    if (!program.Launch(commandLine.c_str())) {
        std::printf(COULD_NOT_LAUNCH, commandLine.c_str());
        errorList.push_back(COULD_NOT_LAUNCH_ENTRY + commandLine + LINE_END);
        return;
    }
    DWORD result = program.Wait(PROGRAM_TIMEOUT);
    if (result == WAIT_OBJECT_0) {
        logList.push_back(SUCCESSFULLY + commandLine + LINE_END);
    } else if (result == WAIT_TIMEOUT) {
        std::printf(TIMED_OUT, commandLine.c_str());
        errorList.push_back(LAUNCHED + commandLine + TIMED_OUT_ENTRY + LINE_END);
    } else {
        std::printf(UNSUCCESSFUL_FINISH, commandLine.c_str());
        errorList.push_back(LAUNCHED + commandLine + FAILED_TO_FINISH + LINE_END);
    }
}

}  // namespace

CServiceUninstaller::CServiceUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CServiceUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CServiceUninstaller::Delete() {
    if (!IsNT()) return 0;
    CaseInsensitiveString section = CaseInsensitiveString(SCRUBBER_SECTION) + "." + SECTION_NAME;
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision)
        LoadStringListFromValue(section.c_str(), RevisionKey(revision).c_str(), m_itemList);

    CServiceHandle manager(OpenServiceManager());
    if (!manager.Get()) return 0;
    for (CaseInsensitiveString& item : m_itemList) {
        item = TrimmedLower(item);
        // The case-insensitive string finds ".exe" in any case; the item is lower case by now anyway.
        if (item.find(PROGRAM_EXTENSION) == CaseInsensitiveString::npos) {
            RemoveService(manager.Get(), item.c_str(), m_logList);
            continue;
        }
        RunProgram(item, m_logList, m_errorList);
    }
    return 0;
}

