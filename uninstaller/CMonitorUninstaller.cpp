#include "CMonitorUninstaller.h"

#include "SpoolerAccess.h"
#include "SpoolerObjectRemoval.h"

namespace {

constexpr char SECTION_NAME[] = "MonitorUninstaller";

BOOL DeleteMonitorNT(const char* pName) {
    return DeleteMonitorA(nullptr, const_cast<LPSTR>(DriverEnvironment()), const_cast<LPSTR>(pName));
}

const SpoolerObjectKind MONITOR = {
    "System\\CurrentControlSet\\Control\\Print\\Monitors",
    "Found monitor to delete ",
    "Remove monitor on next reboot=",
    "Removed monitor= ",
    "Can not delete monitor \"%s\"",
    DeleteMonitorNT,
};

}  // namespace

CMonitorUninstaller::CMonitorUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CMonitorUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CMonitorUninstaller::Delete() {
    m_filter.SetPatterns(m_itemList);
    ForAllMonitors(MonitorItem, nullptr, this, nullptr, nullptr);
    return 1;
}

unsigned int CMonitorUninstaller::MonitorItem(MONITOR_INFO_1A& monitor, void* u1, void*, void*) {
    CMonitorUninstaller& self = *static_cast<CMonitorUninstaller*>(u1);
    return RemoveSpoolerObject(MONITOR, monitor.pName, monitor.pName, self.m_filter, self.m_logList,
                               self.m_errorList);
}
