// Runs the uninstall commands of the maker's entries in the list of installed programs.
// Its data-file section is [Scrubber.RemoveProgramUninstaller].
#pragma once

#include "CUninstaller.h"

class CRemoveProgramUninstaller : public CUninstaller {
  public:
    explicit CRemoveProgramUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
