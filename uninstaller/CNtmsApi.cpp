#include "CNtmsApi.h"

#include <cstdio>

#include "ErrorCodes.h"

namespace {

constexpr char LIBRARY_NAME[] = "ntmsapi.dll";
constexpr char LOAD_FAILED[] = "LoadLibrary(\"ntmsapi.dll\") failed with %s\n";

template <typename Function>
Function EntryPoint(HMODULE library, const char* pName) {
    if (!library) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, pName)));
}

}  // namespace

CNtmsApi::CNtmsApi()
    : m_hLibrary(LoadLibraryA(LIBRARY_NAME)),
      m_pfnOpenNtmsSessionA(nullptr),
      m_pfnCloseNtmsSession(nullptr),
      m_pfnEnumerateNtmsObject(nullptr),
      m_pfnGetNtmsObjectInformationA(nullptr),
      m_pfnDeleteNtmsDrive(nullptr) {
    if (!m_hLibrary) {
        std::printf(LOAD_FAILED, GetErrorString(static_cast<long>(GetLastError())));
        return;
    }
    m_pfnOpenNtmsSessionA = EntryPoint<decltype(m_pfnOpenNtmsSessionA)>(m_hLibrary, "OpenNtmsSessionA");
    m_pfnCloseNtmsSession = EntryPoint<decltype(m_pfnCloseNtmsSession)>(m_hLibrary, "CloseNtmsSession");
    m_pfnEnumerateNtmsObject =
        EntryPoint<decltype(m_pfnEnumerateNtmsObject)>(m_hLibrary, "EnumerateNtmsObject");
    m_pfnGetNtmsObjectInformationA =
        EntryPoint<decltype(m_pfnGetNtmsObjectInformationA)>(m_hLibrary, "GetNtmsObjectInformationA");
    m_pfnDeleteNtmsDrive = EntryPoint<decltype(m_pfnDeleteNtmsDrive)>(m_hLibrary, "DeleteNtmsDrive");
}

CNtmsApi::~CNtmsApi() {
    if (m_hLibrary) FreeLibrary(m_hLibrary);
    m_hLibrary = nullptr;
    m_pfnOpenNtmsSessionA = nullptr;
    m_pfnCloseNtmsSession = nullptr;
    m_pfnEnumerateNtmsObject = nullptr;
    m_pfnGetNtmsObjectInformationA = nullptr;
    m_pfnDeleteNtmsDrive = nullptr;
}

DWORD CNtmsApi::MissingEntryPointError() const {
    return m_hLibrary ? ERROR_PROC_NOT_FOUND : ERROR_DLL_NOT_FOUND;
}

HANDLE CNtmsApi::OpenNtmsSession(LPCSTR lpServer, LPCSTR lpApplication, DWORD dwOptions) {
    if (!m_pfnOpenNtmsSessionA) {
        SetLastError(MissingEntryPointError());
        return INVALID_HANDLE_VALUE;
    }
    return m_pfnOpenNtmsSessionA(lpServer, lpApplication, dwOptions);
}

DWORD CNtmsApi::CloseNtmsSession(HANDLE hSession) {
    if (!m_pfnCloseNtmsSession) return MissingEntryPointError();
    return m_pfnCloseNtmsSession(hSession);
}

DWORD CNtmsApi::EnumerateNtmsObject(HANDLE hSession, const LPNTMS_GUID lpContainerId, LPNTMS_GUID lpList,
                                    LPDWORD lpdwListSize, DWORD dwType, DWORD dwOptions) {
    if (!m_pfnEnumerateNtmsObject) return MissingEntryPointError();
    return m_pfnEnumerateNtmsObject(hSession, lpContainerId, lpList, lpdwListSize, dwType, dwOptions);
}

DWORD CNtmsApi::GetNtmsObjectInformation(HANDLE hSession, const LPNTMS_GUID lpObjectId,
                                         LPNTMS_OBJECTINFORMATIONA lpInfo) {
    if (!m_pfnGetNtmsObjectInformationA) return MissingEntryPointError();
    return m_pfnGetNtmsObjectInformationA(hSession, lpObjectId, lpInfo);
}

DWORD CNtmsApi::DeleteNtmsDrive(HANDLE hSession, LPNTMS_GUID lpDriveId) {
    if (!m_pfnDeleteNtmsDrive) return MissingEntryPointError();
    return m_pfnDeleteNtmsDrive(hSession, lpDriveId);
}
