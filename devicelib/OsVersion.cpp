#include "OsVersion.h"

#include <cstring>

#include "OsVersionTesting.h"

namespace {

// Built on first use, so the version tests may be called from the static initialisers of other files.
OSVERSIONINFOA& Record() {
    static OSVERSIONINFOA record{};
    return record;
}

const OSVERSIONINFOA& FilledRecord() {
    OSVERSIONINFOA& record = Record();
    if (record.dwOSVersionInfoSize == 0) {
        record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        GetVersionExA(&record);
    }
    return record;
}

bool OnPlatform(DWORD platformId, DWORD major) {
    const OSVERSIONINFOA& record = FilledRecord();
    return record.dwPlatformId == platformId && record.dwMajorVersion == major;
}

bool Is9XVersion(DWORD minor, DWORD build) {
    const OSVERSIONINFOA& record = FilledRecord();
    return OnPlatform(VER_PLATFORM_WIN32_WINDOWS, 4) && record.dwMinorVersion == minor &&
           LOWORD(record.dwBuildNumber) == build;
}

}  // namespace

const OSVERSIONINFOA& OsVersionRecord() {
    return FilledRecord();
}

void ResetOsVersionRecordForTesting() {
    std::memset(&Record(), 0, sizeof(OSVERSIONINFOA));
}

unsigned int IsNT() {
    const OSVERSIONINFOA& record = FilledRecord();
    return record.dwPlatformId == VER_PLATFORM_WIN32_NT && record.dwMajorVersion >= 4;
}

unsigned int IsNT4() {
    return OnPlatform(VER_PLATFORM_WIN32_NT, 4);
}

unsigned int IsW2K() {
    return OnPlatform(VER_PLATFORM_WIN32_NT, 5) && FilledRecord().dwMinorVersion == 0;
}

unsigned int IsXP() {
    return OnPlatform(VER_PLATFORM_WIN32_NT, 5) && FilledRecord().dwMinorVersion == 1;
}

unsigned int Is9X() {
    return OnPlatform(VER_PLATFORM_WIN32_WINDOWS, 4);
}

unsigned int Is95() {
    return Is9X() && FilledRecord().dwMinorVersion == 0;
}

unsigned int Is98() {
    DWORD minor = FilledRecord().dwMinorVersion;
    return Is9X() && minor >= 1 && minor <= 89;
}

unsigned int IsMe() {
    return Is9X() && FilledRecord().dwMinorVersion >= 90;
}

unsigned int Is98Gold() {
    return Is9XVersion(10, 1998);
}

unsigned int Is98SE() {
    return Is9XVersion(10, 2222);
}

unsigned int IsBlackComb() {
    return 0;
}
