// The command line's arguments: the first plain one is the file name.
#include "CCommandLineInfo.h"

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
    (void)bLast;
    if (!bFlag && m_strFileName.empty()) m_strFileName = pszParam;
}
