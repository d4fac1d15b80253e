// The program-wide state of the uninstaller: the options of the command line, the revision ranges and
// numbers read from the data file, the data file's name, and the lists the run collects. Set at start-up
// by the application and read by the engine and the uninstallers.
#pragma once

#include <map>

#include "CaseInsensitiveString.h"

// Options of the command line, each 0 or 1.
extern unsigned int gDatFileMode;    // datfile: the file named on the command line is the data file
extern unsigned int gRestartNeeded;  // a restart is needed at the end of the run
extern unsigned int gUnattended;     // unattended: no warning dialog, only the waiting message
extern unsigned int gSilent;         // silent: nothing is shown
extern unsigned int gLegacy;         // legacy: only the software before the latest revision
extern unsigned int gNoCopyToTemp;   // nocopytotemp: run where the program lies
extern unsigned int gSharedCleanup;  // remove what the revisions share (1 unless latest or legacy)
extern unsigned int gShowRestart;    // ask to restart when one is needed (0 with noreboot)

// Numbers of the data file's [Version] section. Revision numbers are signed: a range whose first number
// is above its last holds no revision.
extern int FIRST_IO_REVISION;
extern int LAST_IO_REVISION;
extern int FIRST_CA_REVISION;
extern int LAST_CA_REVISION;
extern int VCD_FILEVER;
extern int ICE_REV;

// What the run collects: texts of the error log, texts of the operation log, and the drivers whose
// software is already removed.
extern CaseInsensitiveStringList gErrorList;
extern CaseInsensitiveStringList gLogList;
extern CaseInsensitiveStringList gRemovedDriverList;

// The uninstaller's data file, and the division prefix of the maker's file names ("Pelor" until the data
// file gives its own).
extern CaseInsensitiveString gDATFileName;
extern CaseInsensitiveString DIVISION;

// The keywords of each device revision, upper case, from [Scrubber] REVISION<n>.
typedef std::map<int, CaseInsensitiveStringList> CRevisionKeywordMap;
extern CRevisionKeywordMap gRevisionKeywords;
