// Removes the maker's Windows Installer products.
// Its data-file section is [Scrubber.MsiUninstaller].
#pragma once

#include "CUninstaller.h"

class CMsiUninstaller : public CUninstaller {
  public:
    explicit CMsiUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
