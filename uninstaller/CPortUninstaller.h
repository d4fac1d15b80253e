// Removes the maker's printer ports.
// Its data-file section is [Scrubber.PortUninstaller].
#pragma once

#include "CUninstaller.h"

class CPortUninstaller : public CUninstaller {
  public:
    explicit CPortUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
