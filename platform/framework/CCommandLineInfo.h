// The arguments of a program's command line, handed one by one to ParseParam.
#pragma once

#include <string>

#include "windows.h"

class CCommandLineInfo {
  public:
    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;
    // pszParam without its '/' or '-' when bFlag; bLast for the last argument. The first plain argument
    // is the file name; flags are for derived classes.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

    std::string m_strFileName;
};
