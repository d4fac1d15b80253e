#include "CUninstaller.h"

#include <cstdlib>

#include "DataFile.h"
#include "IniLookup.h"
#include "Trace.h"
#include "UninstallerGlobals.h"

namespace {

constexpr char CANNOT_READ_SECTION[] = "Can not read from scrubber file. Section:";
// One digit and its terminator.
constexpr unsigned int ENABLED_SIZE = 2;

}  // namespace

CUninstaller::CUninstaller(CUninstallerProgress* pProgress) : m_pProgress(pProgress) {}

CUninstaller::~CUninstaller() = default;

unsigned int CUninstaller::ReadSettings(const char* pSectionName) {
    m_sectionName = pSectionName;
    char enabled[ENABLED_SIZE];
    if (!GetValueByQualifier(gDATFileName.c_str(), SCRUBBER_SECTION, pSectionName, ENABLED_KEY, enabled,
                             ENABLED_SIZE)) {
        CaseInsensitiveString step = CANNOT_READ_SECTION;
        step += pSectionName;
        TraceFailed(step.c_str());
        return 0;
    }
    unsigned int value = static_cast<unsigned int>(std::strtoul(enabled, nullptr, 10));
    if (value) ReadNumberedList(gDATFileName.c_str(), SCRUBBER_SECTION, pSectionName, m_itemList);
    return value;
}
