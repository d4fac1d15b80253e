// Deletes the printer drivers of the maker's models that are still installed.
// Its data-file section is [Scrubber.DriverUninstaller].
#pragma once

#include "CUninstaller.h"

class CDriverUninstaller : public CUninstaller {
  public:
    explicit CDriverUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
