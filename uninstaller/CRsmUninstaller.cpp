#include "CRsmUninstaller.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "CNtmsApi.h"
#include "OsVersion.h"
#include "Trace.h"
#include "UninstallerGlobals.h"

namespace {

constexpr char SECTION_NAME[] = "RsmUninstaller";

constexpr char OPEN_SESSION_STEP[] = "CNtmsApi.OpenNtmsSession";
constexpr char OPEN_SESSION_FAILED[] = "CNtmsApi.OpenNtmsSession failed with ";
constexpr char ENUMERATE_STEP[] = "CNtmsApi.EnumerateNtmsObject";
constexpr char ENUMERATE_FAILED[] = "CNtmsApi.EnumerateNtmsObject failed with ";
constexpr char NOT_ENOUGH_MEMORY[] = "Not enough memory!";
constexpr char ALLOCATION_FAILED[] = "Failed to allocate memory.";
constexpr char CANNOT_DELETE_DRIVE[] = "Can not delete drive : ";
constexpr char REMOVED_DRIVE[] = "Removed drive= ";
constexpr char LINE_END[] = "\r\n";

constexpr int OPEN_ATTEMPTS = 5;
constexpr DWORD NOT_READY_PAUSE = 1000;  // ms: the service is still starting
constexpr DWORD DRIVE_ID_SIZE = 16;

// Closes the session when it goes out of scope.
class CNtmsSession {
  public:
    CNtmsSession(CNtmsApi& ntms, HANDLE session) : m_ntms(ntms), m_session(session) {}
    ~CNtmsSession() {
        if (m_session != INVALID_HANDLE_VALUE) m_ntms.CloseNtmsSession(m_session);
    }
    CNtmsSession(const CNtmsSession&) = delete;
    CNtmsSession& operator=(const CNtmsSession&) = delete;
    HANDLE Get() const { return m_session; }

  private:
    CNtmsApi& m_ntms;
    HANDLE m_session;
};

struct LocalBlockDeleter {
    void operator()(NTMS_GUID* block) const { LocalFree(block); }
};
typedef std::unique_ptr<NTMS_GUID[], LocalBlockDeleter> CDriveIdList;

CaseInsensitiveString Entry(const char* pText, const char* pDetail) {
    CaseInsensitiveString entry = pText;
    entry += pDetail;
    entry += LINE_END;
    return entry;
}

}  // namespace

CRsmUninstaller::CRsmUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CRsmUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

// The buffer, the session and the library are let go on every way out, in that order.
unsigned int CRsmUninstaller::Delete() {
    if (!IsNT()) return 0;
    CNtmsApi ntms;
    // Without the library there is nothing to remove: its load failure is printed and no more.
    if (!ntms.IsLoaded()) return 0;
    CNtmsSession session(ntms, OpenSession(ntms));
    if (session.Get() == INVALID_HANDLE_VALUE) return 0;

    CDriveIdList drives;
    DWORD count = 0;
    DWORD result = ntms.EnumerateNtmsObject(session.Get(), nullptr, nullptr, &count, NTMS_DRIVE, 0);
    if (result == ERROR_INSUFFICIENT_BUFFER) {
        drives.reset(static_cast<NTMS_GUID*>(LocalAlloc(LPTR, count * DRIVE_ID_SIZE)));
        if (!drives) {
            std::printf("%s", NOT_ENOUGH_MEMORY);
            m_errorList.push_back(Entry(ALLOCATION_FAILED, ""));
            return 0;
        }
        result = ntms.EnumerateNtmsObject(session.Get(), nullptr, drives.get(), &count, NTMS_DRIVE, 0);
    }
    if (result != ERROR_SUCCESS) {
        m_errorList.push_back(Entry(ENUMERATE_FAILED, GetErrorString(static_cast<long>(result))));
        TraceFailedWith(ENUMERATE_STEP, static_cast<long>(result));
        return 0;
    }

    for (DWORD index = 0; drives && index < count; ++index) {
        NTMS_OBJECTINFORMATIONA info;
        std::memset(&info, 0, sizeof info);
        info.dwSize = sizeof info;
        info.dwType = NTMS_DRIVE;
        // A drive whose record cannot be read is left alone.
        if (ntms.GetNtmsObjectInformation(session.Get(), &drives[index], &info) != ERROR_SUCCESS) continue;
        if (info.dwOperationalState != NTMS_NOT_PRESENT) continue;
        char description[NTMS_DESCRIPTION_LENGTH + 1] = "";
        std::memcpy(description, info.szDescription, sizeof info.szDescription);
        if (!IsMakersDrive(description)) continue;
        DWORD deleted = ntms.DeleteNtmsDrive(session.Get(), &drives[index]);
        if (deleted != ERROR_SUCCESS) {
            m_errorList.push_back(Entry(CANNOT_DELETE_DRIVE, GetErrorString(static_cast<long>(deleted))));
        } else {
            m_logList.push_back(Entry(REMOVED_DRIVE, description));
        }
    }
    return 1;
}

HANDLE CRsmUninstaller::OpenSession(CNtmsApi& ntms) {
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 1; attempt <= OPEN_ATTEMPTS; ++attempt) {
        HANDLE session = ntms.OpenNtmsSession(nullptr, nullptr, 0);
        if (session != INVALID_HANDLE_VALUE) return session;
        error = GetLastError();
        if (error == ERROR_NOT_READY && attempt < OPEN_ATTEMPTS) Sleep(NOT_READY_PAUSE);
    }
    // A disabled or unreachable service means the manager keeps no drives to remove.
    if (error != ERROR_SERVICE_DISABLED && error != ERROR_NOT_CONNECTED)
        m_errorList.push_back(Entry(OPEN_SESSION_FAILED, GetErrorString(static_cast<long>(error))));
    TraceFailedWith(OPEN_SESSION_STEP, static_cast<long>(error));
    return INVALID_HANDLE_VALUE;
}

bool CRsmUninstaller::IsMakersDrive(const char* pDescription) const {
    CaseInsensitiveString description = pDescription;
    for (const CaseInsensitiveString& item : m_itemList) {
        if (description.compare(0, item.size(), item) == 0) return true;
    }
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        char pattern[64];
        std::snprintf(pattern, sizeof pattern, "%s%2.2d", DIVISION.c_str(), revision);
        if (description.find(pattern) != CaseInsensitiveString::npos) return true;
    }
    return false;
}
