// The uninstall run on the worker thread: the fourteen uninstallers in their fixed order, the merging of
// what they collected, and the deletion pass over the collected files and folders.
#pragma once

#include <vector>

#include "windows.h"

class CUninstaller;
class CUninstallerProgress;

typedef std::vector<CUninstaller*> CUninstallerList;

// The worker's start routine; its parameter is the progress dialog. 87 (ERROR_INVALID_PARAMETER) when it
// is not one.
DWORD WINAPI UninstallThreadProc(LPVOID pParameter);

// Builds the fourteen uninstallers and runs them with RunUninstallerList; returns 0.
DWORD RunUninstallers(CUninstallerProgress* pProgress);

// Runs the uninstallers in list order: each enabled one does its removal work and its lists are merged
// (files into the deletion pass, log and error texts into gLogList and gErrorList); then deletes the
// collected files and folders, reporting progress to the dialog (may be null), and closes the dialog.
void RunUninstallerList(CUninstallerProgress* pProgress, const CUninstallerList& uninstallers);

// Has Windows delete the file or folder at the next start: 0 when scheduled, else the Windows error.
DWORD DeleteOnNextReboot(const char* pPath);
