#include "CSecurity.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The size of SECURITY_ATTRIBUTES in the 32-bit layout that the library's callers were built for.
constexpr DWORD kSecurityAttributesLength = 12;

}  // namespace

CSecurity::CSecurity(unsigned long size, unsigned int nullDacl) : m_attributes{}, m_pDescriptor(NULL) {
    Init(size, nullDacl);
}

CSecurity::~CSecurity() {
    std::free(m_pDescriptor);
}

unsigned int CSecurity::Init(unsigned long size, unsigned int nullDacl) {
    // The attributes never point to a freed block.
    m_attributes = SECURITY_ATTRIBUTES{};
    std::free(m_pDescriptor);
    m_pDescriptor = std::malloc(size);
    if (!m_pDescriptor) {
        std::printf("Error allocating memory\n");
        if (!nullDacl) return 0;
    }
    if (!nullDacl) return 1;
    if (!InitializeSecurityDescriptor(m_pDescriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(m_pDescriptor, TRUE, NULL, FALSE)) {
        std::printf("Failed to Init the CSecurity\n");
        return 0;
    }
    m_attributes.nLength = kSecurityAttributesLength;
    m_attributes.lpSecurityDescriptor = m_pDescriptor;
    m_attributes.bInheritHandle = TRUE;
    return 1;
}

CSecurity::operator SECURITY_ATTRIBUTES*() {
    if (!m_pDescriptor) Init(20, 1);
    return &m_attributes;
}

CSecurity& GetGlobalSecurity() {
    static CSecurity security(20, 1);
    return security;
}
