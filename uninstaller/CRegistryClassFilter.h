// The filter of the device class keys: a class key goes when its name matches the filter's patterns, or
// when one of its values names the maker's class, installer, INF file or port-monitor driver.
#pragma once

#include "CRegistryFilter.h"

class CRegistryClassFilter : public CRegistryFilter {
  public:
    CRegistryClassFilter() = default;
    ~CRegistryClassFilter() override;
    unsigned int TestKey(HKEY hKey, const char* pSubkeyName) override;

    // The patterns of the values "Class", "Installer32" and "Installer", "InfPath" and "NTMPDriver".
    PatternList& ClassPatterns() { return m_classPatterns; }
    PatternList& InstallerPatterns() { return m_installerPatterns; }
    PatternList& InfPathPatterns() { return m_infPathPatterns; }
    PatternList& DriverPatterns() { return m_driverPatterns; }
    // Whether any of the five lists holds a pattern.
    bool HasPatterns() const;

  private:
    PatternList m_classPatterns;
    PatternList m_installerPatterns;
    PatternList m_infPathPatterns;
    PatternList m_driverPatterns;
};
