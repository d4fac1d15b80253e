// A security descriptor and the SECURITY_ATTRIBUTES that carry it, for the library's named objects: with
// a present, null DACL every user may open the objects, and the handles are inherited by child processes.
#pragma once

#include "windows.h"

class CSecurity {
  public:
    CSecurity(unsigned long size, unsigned int nullDacl);
    ~CSecurity();
    CSecurity(const CSecurity&) = delete;
    CSecurity& operator=(const CSecurity&) = delete;

    // Replaces the descriptor with a new block of `size` bytes. With `nullDacl` the block becomes a
    // descriptor with a null DACL and the attributes point to it. 1 on success, 0 on failure.
    unsigned int Init(unsigned long size, unsigned int nullDacl);
    // The attributes to create objects with; a descriptor with a null DACL is made first when none exists.
    operator SECURITY_ATTRIBUTES*();
    PSECURITY_DESCRIPTOR GetDescriptor() const { return m_pDescriptor; }

  private:
    SECURITY_ATTRIBUTES m_attributes;
    PSECURITY_DESCRIPTOR m_pDescriptor;
};

// The library's one instance (20 bytes, null DACL), with whose attributes every named mutex and event is
// created. It is built on first use rather than at program start, so that objects created by other
// static initialisers find it ready.
CSecurity& GetGlobalSecurity();
