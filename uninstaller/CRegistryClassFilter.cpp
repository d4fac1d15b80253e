#include "CRegistryClassFilter.h"

#include "DeviceApis.h"

namespace {

constexpr unsigned int CLASS_VALUE_SIZE = 260;

}  // namespace

CRegistryClassFilter::~CRegistryClassFilter() = default;

bool CRegistryClassFilter::HasPatterns() const {
    return !m_patterns.empty() || !m_classPatterns.empty() || !m_installerPatterns.empty() ||
           !m_infPathPatterns.empty() || !m_driverPatterns.empty();
}

unsigned int CRegistryClassFilter::TestKey(HKEY hKey, const char* pSubkeyName) {
    if (CRegistryFilter::TestKey(hKey, pSubkeyName)) return 1;
    CRegKeyGuard subkey;
    if (RegOpenKeyExA(hKey, pSubkeyName, 0, KEY_READ, subkey.Receive()) != ERROR_SUCCESS) return 0;
    const struct {
        const char* valueName;
        const PatternList& patterns;
    } tests[] = {
        {"Class", m_classPatterns},         {"Installer32", m_installerPatterns},
        {"Installer", m_installerPatterns}, {"InfPath", m_infPathPatterns},
        {"NTMPDriver", m_driverPatterns},
    };
    for (const auto& test : tests) {
        CaseInsensitiveString text;
        if (ReadUpperValue(subkey.Get(), test.valueName, CLASS_VALUE_SIZE, text) &&
            PatternMatch(text, test.patterns))
            return 1;
    }
    return 0;
}
