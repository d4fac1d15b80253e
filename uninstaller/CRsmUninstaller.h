// Deletes the removable-storage manager's records of the maker's card-reader drives.
// Its data-file section is [Scrubber.RsmUninstaller].
#pragma once

#include "CUninstaller.h"

class CRsmUninstaller : public CUninstaller {
  public:
    explicit CRsmUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
