// Collects the maker's files and folders for the engine's deletion pass.
// Its data-file section is [Scrubber.FileUninstaller].
#pragma once

#include "CUninstaller.h"

class CFileUninstaller : public CUninstaller {
  public:
    explicit CFileUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
