#include "CIPCObj.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <typeinfo>

#include "Trace.h"

namespace {

// A second handle of this process to the object behind `handle`; NULL for NULL or when Windows refuses.
HANDLE Duplicate(HANDLE handle) {
    if (!handle) return NULL;
    HANDLE copy = NULL;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return NULL;
    return copy;
}

// The class of an object as the trace names it: the run-time type's name without the length the
// compiler writes before it.
const char* ClassName(const std::type_info& type) {
    const char* name = type.name();
    while (*name >= '0' && *name <= '9') ++name;
    return name;
}

}  // namespace

CIPCObj::CIPCObj() : m_openCount(0), m_hHandle(NULL) {}

CIPCObj::CIPCObj(const CIPCObj& other) : m_openCount(0), m_hHandle(Duplicate(other.m_hHandle)) {
    if (m_hHandle) m_openCount = other.m_openCount;
}

CIPCObj& CIPCObj::operator=(const CIPCObj& other) {
    if (this == &other) return *this;
    HANDLE copy = Duplicate(other.m_hHandle);
    CloseHeld();
    m_hHandle = copy;
    m_openCount = copy ? other.m_openCount : 0;
    return *this;
}

CIPCObj::~CIPCObj() {
    if (m_hHandle && m_openCount) CloseAndReport(m_hHandle);
}

char* CIPCObj::BuildName(const char* name, const char* prefix, const char* sub) {
    if (!name) return NULL;
    const char* parts[] = {prefix, sub, name};
    std::size_t length = 0;
    for (const char* part : parts) {
        if (part && *part) length += std::strlen(part) + 1;
    }
    char* built = new (std::nothrow) char[length + 1];
    if (!built) {
        std::printf("Can not allocate memory\n");
        return NULL;
    }
    built[0] = '\0';
    for (const char* part : parts) {
        if (!part || !*part) continue;
        if (built[0]) std::strcat(built, "/");
        std::strcat(built, part);
    }
    // Kernel object names may not hold a backslash, which names a namespace on Windows NT.
    for (char* character = built; *character; ++character) {
        if (*character == '\\') *character = '/';
    }
    return built;
}

void CIPCObj::DestroyName(char* name) {
    delete[] name;
}

HANDLE CIPCObj::CreateOpen(const char* name, const char* prefix, const char* sub, unsigned int pureCreate,
                           unsigned int first, unsigned int second) {
    // The object keeps one handle: the one held before is let go first, so that it neither leaks nor makes
    // the object seem to exist already.
    CloseHeld();
    char* builtName = BuildName(name, prefix, sub);
    HANDLE handle = CreateObj(first, builtName, second);
    DWORD error = GetLastError();
    DestroyName(builtName);
    if (pureCreate && error == ERROR_ALREADY_EXISTS) {
        if (handle) CloseHandle(handle);
        std::printf("pureCreate=%u, GetLastError()=%u\n", pureCreate, static_cast<unsigned int>(error));
        SetLastError(error);
        return NULL;
    }
    m_hHandle = handle;
    if (handle) ++m_openCount;
    SetLastError(error);
    return handle;
}

HANDLE CIPCObj::Open(const char* name, const char* prefix, const char* sub, unsigned int first,
                     unsigned int second) {
    CloseHeld();
    char* builtName = BuildName(name, prefix, sub);
    HANDLE handle = OpenObj(first, builtName, second);
    DWORD error = GetLastError();
    DestroyName(builtName);
    m_hHandle = handle;
    if (handle) ++m_openCount;
    SetLastError(error);
    return handle;
}

unsigned int CIPCObj::Close() {
    if (!m_hHandle) {
        std::printf("Closing a NULL handle\n");
        return 0;
    }
    CloseHeld();
    return 1;
}

void CIPCObj::CloseHeld() {
    if (!m_hHandle) return;
    HANDLE handle = m_hHandle;
    // Every open of the object shares the one handle, so closing it ends them all.
    m_hHandle = NULL;
    m_openCount = 0;
    CloseAndReport(handle);
}

void CIPCObj::CloseAndReport(HANDLE handle) {
    if (!CloseHandle(handle))
        std::printf("::CloseHandle(%X) object %s returns error\n", TraceHandle(handle),
                    ClassName(typeid(*this)));
}
