// Stopping and deleting services through the service control manager, as the IO and service
// uninstallers both do. What goes wrong is printed on standard output only.
#pragma once

#include "CaseInsensitiveString.h"
#include "windows.h"
#include "winsvc.h"

// Closes a handle of the service control manager (the manager's or a service's) when it goes out of scope.
class CServiceHandle {
  public:
    explicit CServiceHandle(SC_HANDLE handle = nullptr) : m_handle(handle) {}
    ~CServiceHandle() { Close(); }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;

    SC_HANDLE Get() const { return m_handle; }
    void Close() {
        if (m_handle) CloseServiceHandle(m_handle);
        m_handle = nullptr;
    }

  private:
    SC_HANDLE m_handle;
};

// Opens the manager with every right; null after printing the failure.
SC_HANDLE OpenServiceManager();

// Stops the service when it runs and deletes it. Logs "Removed service= " when it is gone, or "Remove
// service on next reboot= " and asks for a restart when it is only marked for deletion (it would not
// stop, another program holds it, or it was marked before). A service that cannot be opened is skipped
// silently.
void RemoveService(SC_HANDLE manager, const char* pName, CaseInsensitiveStringList& logList);

// RemoveService for each name, through one handle of the manager.
void RemoveServices(const CaseInsensitiveStringList& names, CaseInsensitiveStringList& logList);
