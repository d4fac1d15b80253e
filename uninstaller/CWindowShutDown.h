// Closes the windows of the maker's programs before their files are removed.
// Its data-file section is [Scrubber.WindowShutdown].
#pragma once

#include "CUninstaller.h"

class CWindowShutDown : public CUninstaller {
  public:
    explicit CWindowShutDown(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
