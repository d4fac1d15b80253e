// A progress bar's object: a thin wrapper over its messages.
#pragma once

#include "CWnd.h"
#include "windows.h"

class CProgressCtrl : public CWnd {
  public:
    void SetRange(short nLower, short nUpper);
    void SetRange32(int nLower, int nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    int SetPos(int nPos);
    int GetPos() const;
    int OffsetPos(int nPos);
    int SetStep(int nStep);
    int StepIt();
};
