// Removes the maker's print monitors.
// Its data-file section is [Scrubber.MonitorUninstaller].
#pragma once

#include "CUninstaller.h"

class CMonitorUninstaller : public CUninstaller {
  public:
    explicit CMonitorUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
