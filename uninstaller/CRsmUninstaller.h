// Deletes the removable-storage manager's records of the maker's card-reader drives that are no longer
// present (Windows NT only). Its data-file section is [Scrubber.RsmUninstaller].
#pragma once

#include "CUninstaller.h"
#include "windows.h"

class CNtmsApi;

class CRsmUninstaller : public CUninstaller {
  public:
    explicit CRsmUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    // A session with the manager, after up to five attempts; INVALID_HANDLE_VALUE when none could be
    // opened, which is reported.
    HANDLE OpenSession(CNtmsApi& ntms);
    // Whether a drive no longer present is one of the maker's: its description begins with an item or
    // holds the division and a device revision.
    bool IsMakersDrive(const char* pDescription) const;
};
