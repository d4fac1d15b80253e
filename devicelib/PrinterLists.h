// The lists built over the spooler walks, the old-driver test of the uninstaller, and the installation of
// the maker's DOT4 print monitor.
#pragma once

#include "CaseInsensitiveString.h"
#include "windows.h"

// Each appends to the list and returns 0.
unsigned int GetPrinterList(CaseInsensitiveStringList& printers);
unsigned int GetSupportedPrinterList(CaseInsensitiveStringList& printers);
unsigned int GetPortList(CaseInsensitiveStringList& ports);
unsigned int GetSupportedPortList(CaseInsensitiveStringList& ports);

// 1 when a supported printer has a driver whose number is below `threshold`, or when a driver file
// <system folder>\drivers\<prefix>???NN.SYS exists for some NN from 7 below `bound`.
unsigned int HasOldPrinterDriver(const char* prefix, DWORD threshold, DWORD bound);

// Adds the DOT4 print monitor: 1 when it is installed now, also when it was before.
unsigned int InstallDot4Monitor();
