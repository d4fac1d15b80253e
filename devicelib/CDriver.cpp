#include "CDriver.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "SpoolerAccess.h"
#include "Trace.h"

CDriver::CDriver() : m_block(NULL), m_size(0), m_pMonitorName(NULL) {}

CDriver::~CDriver() {
    DeleteSpoolerBlock(m_block);
}

unsigned int CDriver::Init(HANDLE printer) {
    if (!printer) {
        TraceFailed("Invalid handle");
        return 0;
    }
    SpoolerLock lock;
    DWORD needed = 0;
    if (!GetPrinterDriverWithRetry(printer, NULL, 3, NULL, 0, &needed) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        std::printf("Cannot GetPrinterDriver() size\n");
        return 0;
    }
    // The spare room for a new monitor name lies behind the data.
    DWORD dataSize = needed;
    DWORD size = dataSize + SPARE_SIZE;
    SpoolerBlock block(NewSpoolerBlock(size));
    if (!block) {
        std::printf("Cannot alloc DRIVER_INFO_3\n");
        return 0;
    }
    if (!GetPrinterDriverWithRetry(printer, NULL, 3, block.get(), dataSize, &needed)) {
        std::printf("Cannot GetPrinterDriver()\n");
        return 0;
    }
    DeleteSpoolerBlock(m_block);
    m_block = block.release();
    m_size = size;
    m_pMonitorName = reinterpret_cast<char*>(m_block + dataSize);
    return 1;
}

const char* CDriver::GetMonitorName() const {
    const DRIVER_INFO_3A* info = GetInfo();
    return info && info->pMonitorName ? info->pMonitorName : "";
}

unsigned int CDriver::SetMonitorName(const char* name) {
    DRIVER_INFO_3A* info = GetInfo();
    if (!info) return 0;
    if (!name) {
        info->pMonitorName = NULL;
        return 1;
    }
    if (std::strlen(name) >= SPARE_SIZE) {
        TraceFailedReturningCode("CDriver::SetMonitorName() checking strlen(pMonitorName)<spare size",
                                 ERR_BUFFEROVERFLOW);
        return 0;
    }
    std::strcpy(m_pMonitorName, name);
    info->pMonitorName = m_pMonitorName;
    return 1;
}
