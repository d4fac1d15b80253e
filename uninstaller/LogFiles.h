// The run's logs: the operation log and the error log, written to the temporary folder after the run.
#pragma once

#include "CaseInsensitiveString.h"

// Every entry of the operation log and of the error log carries its own line end.
inline constexpr char LOG_LINE_END[] = "\r\n";

// "<temporary folder><DIVISION>UNI0<ICE_REV>.<local time>.LOG", the time as "%Y%b%d-%H%M%S". The time
// steps on by a second while a file of that name exists, so a log never replaces one written before it
// in the same second (the error log is written right after the operation log).
void MakeLogFileName(CaseInsensitiveString& fileName);

// Writes the strings of the list one after the other, in text mode, to the file (replaced when it
// exists); an empty name is first made with MakeLogFileName. 1 on success, 0 when the file cannot be
// written.
unsigned int WriteListToFile(const CaseInsensitiveStringList& list, CaseInsensitiveString& fileName);
