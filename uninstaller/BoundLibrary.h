// Guards for what the uninstallers open through kernel32: a kernel handle, closed when it goes out of
// scope, and a library loaded by name for a while, with its entry points looked up by name.
#pragma once

#include "windows.h"

// Closes the handle unless it is null or INVALID_HANDLE_VALUE, the two ways Windows' calls fail.
class CKernelHandle {
  public:
    explicit CKernelHandle(HANDLE handle) : m_handle(handle) {}
    ~CKernelHandle() {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    HANDLE get() const { return m_handle; }

  private:
    HANDLE m_handle;
};

// An entry point of the module by name, as the function type given (decltype of the declared function);
// null when the module or the entry point is missing.
template <typename Function>
Function BoundEntryPoint(HMODULE module, const char* pName) {
    if (!module) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, pName)));
}

// A library loaded with LoadLibraryA and freed when it goes out of scope; null when it cannot be loaded.
class CBoundLibrary {
  public:
    explicit CBoundLibrary(const char* pName) : m_module(LoadLibraryA(pName)) {}
    ~CBoundLibrary() {
        if (m_module) FreeLibrary(m_module);
    }
    CBoundLibrary(const CBoundLibrary&) = delete;
    CBoundLibrary& operator=(const CBoundLibrary&) = delete;
    HMODULE get() const { return m_module; }

  private:
    HMODULE m_module;
};
