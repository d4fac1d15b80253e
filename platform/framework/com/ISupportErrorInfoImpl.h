// ISupportErrorInfo for a class that reports errors on one interface: S_OK for that interface's id,
// S_FALSE for every other.
#pragma once

#include "oaidl.h"

template <const IID* piid>
class ISupportErrorInfoImpl : public ISupportErrorInfo {
  public:
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) override { return IsEqualIID(riid, *piid) ? S_OK : S_FALSE; }
};
