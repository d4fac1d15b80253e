// The removable-storage manager's library, bound at run time so that the program starts on systems
// without ntmsapi.dll. Each call goes through its entry point; a call through a missing one gives
// ERROR_PROC_NOT_FOUND, and every call gives ERROR_DLL_NOT_FOUND when the library could not be loaded (the
// session call as its last error, the others as their result).
#pragma once

#include "ntmsapi.h"
#include "windows.h"

class CNtmsApi {
  public:
    // Loads the library and looks up its entry points; a failed load is printed with its error.
    CNtmsApi();
    // Frees the library and clears the entry points.
    virtual ~CNtmsApi();
    CNtmsApi(const CNtmsApi&) = delete;
    CNtmsApi& operator=(const CNtmsApi&) = delete;

    bool IsLoaded() const { return m_hLibrary != nullptr; }

    HANDLE OpenNtmsSession(LPCSTR lpServer, LPCSTR lpApplication, DWORD dwOptions);
    DWORD CloseNtmsSession(HANDLE hSession);
    DWORD EnumerateNtmsObject(HANDLE hSession, const LPNTMS_GUID lpContainerId, LPNTMS_GUID lpList,
                              LPDWORD lpdwListSize, DWORD dwType, DWORD dwOptions);
    DWORD GetNtmsObjectInformation(HANDLE hSession, const LPNTMS_GUID lpObjectId,
                                   LPNTMS_OBJECTINFORMATIONA lpInfo);
    DWORD DeleteNtmsDrive(HANDLE hSession, LPNTMS_GUID lpDriveId);

  private:
    // The error of a call through an entry point that is null.
    DWORD MissingEntryPointError() const;

    HMODULE m_hLibrary;
    decltype(&OpenNtmsSessionA) m_pfnOpenNtmsSessionA;
    decltype(&::CloseNtmsSession) m_pfnCloseNtmsSession;
    decltype(&::EnumerateNtmsObject) m_pfnEnumerateNtmsObject;
    decltype(&GetNtmsObjectInformationA) m_pfnGetNtmsObjectInformationA;
    decltype(&::DeleteNtmsDrive) m_pfnDeleteNtmsDrive;
};
