// devpurge's command line: the options set the program-wide flags and revisions as they are parsed, and
// the first plain argument is the file name (the data file with datfile, else the file to delete).
#pragma once

#include "framework.h"

class CUninstallerCmdInfo : public CCommandLineInfo {
  public:
    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override;

  private:
    // latest: only the newest revision, and nothing the revisions share.
    void ParseLatest();
    // legacy: every revision but the newest, sharing included when the system's versioned file is older
    // than this program; a restart follows.
    void ParseLegacy();
};

// [Version] `pKey` of the data file `pFile` as a decimal number of at most four digits; 0 when missing.
int ReadVersionNumber(const char* pFile, const char* pKey);
