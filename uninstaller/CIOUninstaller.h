// Removes the Plug and Play devices of the maker's device classes and, on Windows NT, the maker's
// services. Its data-file section is [Scrubber.IOUninstaller]: KnownClasses, LegacyClasses, REVISION<n>
// and Services; its numbered items are descriptions whose devices stay.
#pragma once

#include "CUninstaller.h"
#include "guiddef.h"

class CDeviceObject;

class CIOUninstaller : public CUninstaller {
  public:
    explicit CIOUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    // Removes the devices of every class of that name that the device test selects.
    void DeleteClassDevs(const char* pClassName);
    // Removes the devices of the class's GUID that the device test selects; the result of the last
    // removal.
    long DeleteGuidDevs(const GUID& classGuid);
    bool ShouldRemoveDevice(CDeviceObject& device);
    long RemoveDevice(CDeviceObject& device);
    void DeleteServices();

    // The setup classes of the machine whose names begin with a known class.
    CaseInsensitiveStringList m_installedKnownClasses;
};
