// Removes the Plug and Play devices of the maker's device classes.
// Its data-file section is [Scrubber.IOUninstaller].
#pragma once

#include "CUninstaller.h"

class CIOUninstaller : public CUninstaller {
  public:
    explicit CIOUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
