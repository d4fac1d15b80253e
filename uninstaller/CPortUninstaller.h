// Removes the maker's printer ports: those whose description its items name, and those whose
// description names a monitor whose DLL is one of the maker's revision-numbered monitor DLLs. Its
// data-file section is [Scrubber.PortUninstaller].
#pragma once

#include "CFilter.h"
#include "CUninstaller.h"
#include "winspool.h"

class CPortUninstaller : public CUninstaller {
  public:
    explicit CPortUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    // The port walk's item callback, with the uninstaller as first caller pointer.
    static unsigned int PortItem(PORT_INFO_2A& port, void* u1, void* u2, void* u3);

    CFilter m_filter;
};
