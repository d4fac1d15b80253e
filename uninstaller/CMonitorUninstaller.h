// Removes the maker's print monitors: those its items name and those whose DLL is one of the maker's
// revision-numbered monitor DLLs. Its data-file section is [Scrubber.MonitorUninstaller].
#pragma once

#include "CFilter.h"
#include "CUninstaller.h"
#include "winspool.h"

class CMonitorUninstaller : public CUninstaller {
  public:
    explicit CMonitorUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    // The monitor walk's item callback, with the uninstaller as first caller pointer.
    static unsigned int MonitorItem(MONITOR_INFO_1A& monitor, void* u1, void* u2, void* u3);

    CFilter m_filter;
};
