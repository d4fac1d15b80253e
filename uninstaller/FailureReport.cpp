#include "FailureReport.h"

#include <string>

#include "ErrorCodes.h"
#include "Trace.h"

void ReportFailure(CaseInsensitiveStringList& errors, const char* pText) {
    std::string errorText;
    GetLastErrorMsg(errorText);
    CaseInsensitiveString entry = pText;
    entry += " : ";
    entry += errorText.c_str();
    entry += "\r\n";
    errors.push_back(entry);
    TraceFailed(pText);
}
