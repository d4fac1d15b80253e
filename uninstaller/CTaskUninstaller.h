// Runs the command lines of its item list.
// Its data-file section is [Scrubber.TaskUninstaller].
#pragma once

#include "CUninstaller.h"

class CTaskUninstaller : public CUninstaller {
  public:
    explicit CTaskUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
