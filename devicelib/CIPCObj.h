// A kernel object held by handle and found by a name built from up to three parts, so that cooperating
// processes reach the same object. The object owns its handle: it closes it when it goes away, when it
// is closed, and before it creates or opens another; a copy holds a duplicate of the handle.
#pragma once

#include "windows.h"

class CIPCObj {
  public:
    CIPCObj();
    CIPCObj(const CIPCObj& other);
    CIPCObj& operator=(const CIPCObj& other);

  protected:
    // Create or open the kernel object under `name` (null for an unnamed one); the two numbers are the
    // object kind's own arguments.
    virtual HANDLE CreateObj(unsigned int first, const char* name, unsigned int second) = 0;
    virtual HANDLE OpenObj(unsigned int first, const char* name, unsigned int second) = 0;

  public:
    virtual ~CIPCObj();

    // Creates the object <prefix>/<sub>/<name>, or opens it when it exists. With `pureCreate` an existing
    // object is refused: the result is then NULL. Returns the handle now held (NULL on failure).
    HANDLE CreateOpen(const char* name, const char* prefix = NULL, const char* sub = NULL,
                      unsigned int pureCreate = 0, unsigned int first = 0, unsigned int second = 0);
    // Opens the existing object <prefix>/<sub>/<name>. Returns the handle now held (NULL on failure).
    HANDLE Open(const char* name, const char* prefix = NULL, const char* sub = NULL, unsigned int first = 0,
                unsigned int second = 0);
    // Closes the handle held: 1; 0 when there is none.
    unsigned int Close();
    HANDLE GetHandle() const { return m_hHandle; }

  private:
    char* BuildName(const char* name, const char* prefix, const char* sub);
    void DestroyName(char* name);
    // Closes the handle held and forgets it, without a word when there is none.
    void CloseHeld();
    void CloseAndReport(HANDLE handle);

    unsigned long m_openCount;
    HANDLE m_hHandle;
};
