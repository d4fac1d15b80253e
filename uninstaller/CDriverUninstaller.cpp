#include "CDriverUninstaller.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "CFactory.h"
#include "CPrinter.h"
#include "FailureReport.h"
#include "SpoolerAccess.h"
#include "UninstallerGlobals.h"

namespace {

constexpr char SECTION_NAME[] = "DriverUninstaller";
constexpr char CHECKING[] = "Checking ";
constexpr char REMOVED_DRIVER[] = "Removed printer driver= ";
constexpr char CANNOT_DELETE_DRIVER[] = "Can not delete printer driver";

// Whether the driver file's number, its two digits before the last '.', is below VCD_FILEVER. A file
// name without two digits there is not old.
bool IsOldDriverFile(const char* pDriverPath) {
    if (!pDriverPath) return false;
    const char* pDot = std::strrchr(pDriverPath, '.');
    if (!pDot || pDot - pDriverPath < 2) return false;
    const char tens = pDot[-2], units = pDot[-1];
    if (tens < '0' || tens > '9' || units < '0' || units > '9') return false;
    unsigned int number = static_cast<unsigned int>((tens - '0') * 10 + (units - '0'));
    return number < static_cast<unsigned int>(VCD_FILEVER);
}

bool IsRemoved(const char* pDriverName) {
    for (const CaseInsensitiveString& removed : gRemovedDriverList) {
        if (removed == pDriverName) return true;
    }
    return false;
}

}  // namespace

CDriverUninstaller::CDriverUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CDriverUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CDriverUninstaller::Delete() {
    ForAllDrivers(DriverItem, nullptr, this, nullptr, nullptr);
    return 1;
}

unsigned int CDriverUninstaller::DriverItem(DRIVER_INFO_2A& driver, void* u1, void*, void*) {
    return static_cast<CDriverUninstaller*>(u1)->HandleDriver(driver);
}

unsigned int CDriverUninstaller::HandleDriver(const DRIVER_INFO_2A& driver) {
    CaseInsensitiveString line = CHECKING;
    line += driver.pName;
    line += "\r\n";
    m_logList.push_back(line);

    const CFactory* factory = GetDeviceFactory();
    if (!factory) return 1;
    std::string upperName = driver.pName;
    CharUpperA(upperName.data());
    const CDeviceModel& model = factory->FactorADeviceModel(upperName.c_str());
    if (!model.IsSupported() || IsRemoved(model.GetDriverName())) return 1;

    bool old = IsOldDriverFile(driver.pDriverPath);
    if (!gSharedCleanup && !(old && FIRST_CA_REVISION != LAST_CA_REVISION) && !(!old && !gLegacy)) return 1;
    if (!DeletePrinterDriverA(nullptr, driver.pEnvironment, driver.pName)) {
        gRestartNeeded = 1;
        ReportFailure(m_errorList, CANNOT_DELETE_DRIVER);
        return 0;
    }
    gRemovedDriverList.push_back(model.GetDriverName());
    line = REMOVED_DRIVER;
    line += driver.pName;
    line += "\r\n";
    m_logList.push_back(line);
    return 1;
}
