// Deletes the printer drivers of the maker's supported models that are still installed. Its data-file
// section is [Scrubber.DriverUninstaller].
#pragma once

#include "CUninstaller.h"
#include "winspool.h"

class CDriverUninstaller : public CUninstaller {
  public:
    explicit CDriverUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    // The driver walk's item callback, with the uninstaller as first caller pointer.
    static unsigned int DriverItem(DRIVER_INFO_2A& driver, void* u1, void* u2, void* u3);
    // 0 to stop the walk.
    unsigned int HandleDriver(const DRIVER_INFO_2A& driver);
};
