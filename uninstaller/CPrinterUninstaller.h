// Removes the printer queues of the maker's models.
// Its data-file section is [Scrubber.PrinterUninstaller].
#pragma once

#include "CUninstaller.h"

class CPrinterUninstaller : public CUninstaller {
  public:
    explicit CPrinterUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;
};
