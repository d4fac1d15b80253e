// Error information for a failing call: the thread's error object gets the description, the interface id
// and, as its source, the ProgID of the class.
#pragma once

#include "oleauto.h"

// Returns hRes, or DISP_E_EXCEPTION when hRes is 0.
HRESULT WINAPI AtlReportError(const CLSID& clsid, LPCOLESTR lpszDesc, const IID& iid = GUID_NULL, HRESULT hRes = 0);
HRESULT WINAPI AtlReportError(const CLSID& clsid, LPCSTR lpszDesc, const IID& iid = GUID_NULL, HRESULT hRes = 0);
