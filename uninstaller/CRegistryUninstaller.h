// Deletes the registry keys and values the maker's software left behind.
// Its data-file section is [Scrubber.RegistryUninstaller].
#pragma once

#include "CUninstaller.h"

class CRegistryUninstaller : public CUninstaller {
  public:
    explicit CRegistryUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
