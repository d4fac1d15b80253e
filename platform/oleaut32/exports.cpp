// The entry points of oleaut32.dll that LoadLibraryA and GetProcAddress hand out: strings, VARIANTs,
// safe arrays, variant dates, error information, type libraries and dispatch through type information.
#include "oleauto.h"
#include "platform/kernel32/platform_libraries.h"

#define OLEAUT32_ENTRY_POINTS(X)   \
    X(SysAllocString)              \
    X(SysReAllocString)            \
    X(SysAllocStringLen)           \
    X(SysReAllocStringLen)         \
    X(SysAllocStringByteLen)       \
    X(SysFreeString)               \
    X(SysStringLen)                \
    X(SysStringByteLen)            \
    X(VariantInit)                 \
    X(VariantClear)                \
    X(VariantCopy)                 \
    X(VariantCopyInd)              \
    X(VariantChangeType)           \
    X(VariantChangeTypeEx)         \
    X(SafeArrayCreate)             \
    X(SafeArrayCreateVector)       \
    X(SafeArrayDestroy)            \
    X(SafeArrayLock)               \
    X(SafeArrayUnlock)             \
    X(SafeArrayAccessData)         \
    X(SafeArrayUnaccessData)       \
    X(SafeArrayGetDim)             \
    X(SafeArrayGetElemsize)        \
    X(SafeArrayGetLBound)          \
    X(SafeArrayGetUBound)          \
    X(SafeArrayGetElement)         \
    X(SafeArrayPutElement)         \
    X(SafeArrayRedim)              \
    X(SafeArrayCopy)               \
    X(SafeArrayGetVartype)         \
    X(SafeArrayPtrOfIndex)         \
    X(SafeArrayAllocDescriptor)    \
    X(SafeArrayAllocData)          \
    X(SafeArrayDestroyDescriptor)  \
    X(SafeArrayDestroyData)        \
    X(SystemTimeToVariantTime)     \
    X(VariantTimeToSystemTime)     \
    X(CreateErrorInfo)             \
    X(SetErrorInfo)                \
    X(GetErrorInfo)                \
    X(LoadTypeLib)                 \
    X(LoadTypeLibEx)               \
    X(LoadRegTypeLib)              \
    X(RegisterTypeLib)             \
    X(UnRegisterTypeLib)           \
    X(QueryPathOfRegTypeLib)       \
    X(DispCallFunc)                \
    X(DispGetIDsOfNames)           \
    X(DispInvoke)                  \
    X(CreateStdDispatch)

namespace {

const platform::PlatformLibraryRegistrar registrar("oleaut32.dll", platform::LibraryLoad::AtStart,
                                                   {OLEAUT32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
