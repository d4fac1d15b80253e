#include "UninstallerGlobals.h"

unsigned int gDatFileMode = 0;
unsigned int gRestartNeeded = 0;
unsigned int gUnattended = 0;
unsigned int gSilent = 0;
unsigned int gLegacy = 0;
unsigned int gNoCopyToTemp = 0;
unsigned int gSharedCleanup = 1;
unsigned int gShowRestart = 1;

int FIRST_IO_REVISION = 0;
int LAST_IO_REVISION = 0;
int FIRST_CA_REVISION = 0;
int LAST_CA_REVISION = 0;
int VCD_FILEVER = 0;
int ICE_REV = 0;

// Built in this order at start-up and destroyed in the reverse order at exit.
CaseInsensitiveStringList gErrorList;
CaseInsensitiveStringList gLogList;
CaseInsensitiveStringList gRemovedDriverList;
CaseInsensitiveString gDATFileName;
CaseInsensitiveString DIVISION = "Pelor";
CRevisionKeywordMap gRevisionKeywords;
