#include "CWaitCursor.h"

CWaitCursor::CWaitCursor() : m_hcurRestore(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}

CWaitCursor::~CWaitCursor() {
    ::SetCursor(m_hcurRestore);
}

void CWaitCursor::Restore() {
    ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}
