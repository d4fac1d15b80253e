#include "CPortUninstaller.h"

#include "SpoolerAccess.h"
#include "SpoolerObjectRemoval.h"

namespace {

constexpr char SECTION_NAME[] = "PortUninstaller";

BOOL DeletePortNT(const char* pName) {
    return DeletePortA(nullptr, nullptr, const_cast<LPSTR>(pName));
}

const SpoolerObjectKind PORT = {
    "System\\CurrentControlSet\\Control\\Print\\Ports",
    "Found port to delete ",
    "Remove port on next reboot= ",
    "Removed port= ",
    "Can not delete port \"%s\"",
    DeletePortNT,
};

}  // namespace

CPortUninstaller::CPortUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CPortUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CPortUninstaller::Delete() {
    m_filter.SetPatterns(m_itemList);
    ForAllPorts(PortItem, nullptr, this, nullptr, nullptr);
    return 1;
}

unsigned int CPortUninstaller::PortItem(PORT_INFO_2A& port, void* u1, void*, void*) {
    CPortUninstaller& self = *static_cast<CPortUninstaller*>(u1);
    // A monitor may describe its port with nothing: that is matched as an empty text.
    const char* pDescription = port.pDescription ? port.pDescription : "";
    return RemoveSpoolerObject(PORT, port.pPortName, pDescription, self.m_filter, self.m_logList,
                               self.m_errorList);
}
