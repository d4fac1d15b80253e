// Stops and deletes the maker's services.
// Its data-file section is [Scrubber.ServiceUninstaller].
#pragma once

#include "CUninstaller.h"

class CServiceUninstaller : public CUninstaller {
  public:
    explicit CServiceUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
