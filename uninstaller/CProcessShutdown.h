// Ends the processes of the maker's programs before their files are removed.
// Its data-file section is [Scrubber.ProcessShutdown].
#pragma once

#include "CUninstaller.h"

class CProcessShutdown : public CUninstaller {
  public:
    explicit CProcessShutdown(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
