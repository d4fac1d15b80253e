// devpurge's one application object, which the framework's entry point runs.
#include "CUninstallerApp.h"

CUninstallerApp theApp;
