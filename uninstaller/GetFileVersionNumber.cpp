#include "GetFileVersionNumber.h"

#include <cstdio>
#include <memory>
#include <new>

#include "Trace.h"
#include "winver.h"

ULONGLONG GetFileVersionNumber(const char* pPath) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(pPath, &handle);
    if (size == 0) {
        TraceFailedWith("GetFileVersionInfoSize", static_cast<long>(GetLastError()));
        return 0;
    }
    std::unique_ptr<char[]> data(new (std::nothrow) char[size]);
    if (!data) {
        std::printf("Can not allocate memory.\n");
        return 0;
    }
    if (!GetFileVersionInfoA(pPath, handle, size, data.get())) {
        TraceFailedWith("GetFileVersionInfo", static_cast<long>(GetLastError()));
        return 0;
    }
    VS_FIXEDFILEINFO* pInfo = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.get(), "\\", reinterpret_cast<LPVOID*>(&pInfo), &length) || length == 0 || !pInfo) {
        TraceFailedWith("VerQueryValue", static_cast<long>(GetLastError()));
        return 0;
    }
    return (static_cast<ULONGLONG>(pInfo->dwFileVersionMS) << 32) | pInfo->dwFileVersionLS;
}
