// Security descriptors in their absolute form: initialising one, giving it a DACL, reading the DACL back
// and checking it. Windows 95, 98 and Me export these calls without implementing them.
//
// The descriptor takes SECURITY_DESCRIPTOR_MIN_LENGTH (20) bytes on every host, as in 32-bit Windows,
// because programs allocate exactly that many. Its slots are 32 bits wide, so an ACL is kept in a slot as
// a number that a process-wide table turns back into the caller's pointer; 0 is the null ACL.
//
// InitializeSecurityDescriptor cannot know the size of the buffer it is given; like Windows it writes
// all 20 bytes, and a smaller buffer is the caller's overrun (the sanitizer build reports it).
#include <mutex>
#include <vector>

#include "platform/machine/machine.h"
#include "windows.h"

namespace platform {

namespace {

class AclTable {
  public:
    DWORD Number(PACL acl) {
        if (!acl) return 0;
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t index = 0; index < acls_.size(); ++index) {
            if (acls_[index] == acl) return static_cast<DWORD>(index + 1);
        }
        acls_.push_back(acl);
        return static_cast<DWORD>(acls_.size());
    }

    PACL Find(DWORD number) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (number == 0 || number > acls_.size()) return nullptr;
        return acls_[number - 1];
    }

  private:
    std::mutex mutex_;
    std::vector<PACL> acls_;
};

AclTable& Acls() {
    static AclTable table;
    return table;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// The checks every call makes: the system has the call, and the descriptor is an absolute one of the
// revision these calls know. 0 when the descriptor may be used.
DWORD CheckDescriptor(const SECURITY_DESCRIPTOR* descriptor) {
    if (!Machine::Current().IsNT()) return ERROR_CALL_NOT_IMPLEMENTED;
    if (!descriptor) return ERROR_INVALID_SECURITY_DESCR;
    if (descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) return ERROR_UNKNOWN_REVISION;
    if (descriptor->Control & SE_SELF_RELATIVE) return ERROR_INVALID_SECURITY_DESCR;
    return 0;
}

bool IsValidAcl(const ACL* acl) {
    if (acl->AclRevision < ACL_REVISION || acl->AclRevision > ACL_REVISION_DS) return false;
    return acl->AclSize >= sizeof(ACL) && acl->AclSize % sizeof(DWORD) == 0;
}

}  // namespace

}  // namespace platform

extern "C" BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                                    DWORD dwRevision) {
    if (!platform::Machine::Current().IsNT()) return platform::Fail(ERROR_CALL_NOT_IMPLEMENTED);
    if (dwRevision != SECURITY_DESCRIPTOR_REVISION) return platform::Fail(ERROR_UNKNOWN_REVISION);
    // Windows faults on a null buffer; a failure with the error of a bad user pointer is kinder.
    if (!pSecurityDescriptor) return platform::Fail(ERROR_NOACCESS);
    auto* descriptor = static_cast<SECURITY_DESCRIPTOR*>(pSecurityDescriptor);
    *descriptor = SECURITY_DESCRIPTOR{};
    descriptor->Revision = SECURITY_DESCRIPTOR_REVISION;
    return TRUE;
}

extern "C" BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, BOOL bDaclPresent,
                                                 PACL pDacl, BOOL bDaclDefaulted) {
    auto* descriptor = static_cast<SECURITY_DESCRIPTOR*>(pSecurityDescriptor);
    if (DWORD error = platform::CheckDescriptor(descriptor)) return platform::Fail(error);
    descriptor->Control &= static_cast<SECURITY_DESCRIPTOR_CONTROL>(~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
    descriptor->Dacl = 0;
    if (!bDaclPresent) return TRUE;
    // A present but null DACL grants everyone every access.
    descriptor->Control |= SE_DACL_PRESENT;
    if (bDaclDefaulted) descriptor->Control |= SE_DACL_DEFAULTED;
    descriptor->Dacl = platform::Acls().Number(pDacl);
    return TRUE;
}

extern "C" BOOL WINAPI GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                                 LPBOOL lpbDaclPresent, PACL* pDacl,
                                                 LPBOOL lpbDaclDefaulted) {
    auto* descriptor = static_cast<SECURITY_DESCRIPTOR*>(pSecurityDescriptor);
    if (DWORD error = platform::CheckDescriptor(descriptor)) return platform::Fail(error);
    if (!lpbDaclPresent || !pDacl || !lpbDaclDefaulted) return platform::Fail(ERROR_NOACCESS);
    *lpbDaclPresent = (descriptor->Control & SE_DACL_PRESENT) ? TRUE : FALSE;
    // Without a DACL the other two are left as they were, as Windows leaves them.
    if (!*lpbDaclPresent) return TRUE;
    *pDacl = platform::Acls().Find(descriptor->Dacl);
    *lpbDaclDefaulted = (descriptor->Control & SE_DACL_DEFAULTED) ? TRUE : FALSE;
    return TRUE;
}

extern "C" BOOL WINAPI IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor) {
    if (!platform::Machine::Current().IsNT()) return platform::Fail(ERROR_CALL_NOT_IMPLEMENTED);
    const auto* descriptor = static_cast<const SECURITY_DESCRIPTOR*>(pSecurityDescriptor);
    if (!descriptor || descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) {
        return platform::Fail(ERROR_INVALID_SECURITY_DESCR);
    }
    if (descriptor->Control & SE_DACL_PRESENT) {
        const ACL* acl = platform::Acls().Find(descriptor->Dacl);
        if (acl && !platform::IsValidAcl(acl)) return platform::Fail(ERROR_INVALID_SECURITY_DESCR);
    }
    return TRUE;
}
