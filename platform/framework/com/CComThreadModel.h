// The threading models of COM objects: how the reference count changes and which lock guards an object.
// CComSingleThreadModel serves objects used on one thread (apartment-threaded servers); CComMultiThreadModel
// changes counts with interlocked operations and locks with a critical section.
#pragma once

#include "CComCriticalSection.h"

class CComSingleThreadModel {
  public:
    static ULONG Increment(LONG* p) { return static_cast<ULONG>(++*p); }
    static ULONG Decrement(LONG* p) { return static_cast<ULONG>(--*p); }
    using AutoCriticalSection = CComFakeCriticalSection;
    using CriticalSection = CComFakeCriticalSection;
    using ThreadModelNoCS = CComSingleThreadModel;
};

class CComMultiThreadModelNoCS {
  public:
    static ULONG Increment(LONG* p) { return static_cast<ULONG>(InterlockedIncrement(p)); }
    static ULONG Decrement(LONG* p) { return static_cast<ULONG>(InterlockedDecrement(p)); }
    using AutoCriticalSection = CComFakeCriticalSection;
    using CriticalSection = CComFakeCriticalSection;
    using ThreadModelNoCS = CComMultiThreadModelNoCS;
};

class CComMultiThreadModel {
  public:
    static ULONG Increment(LONG* p) { return static_cast<ULONG>(InterlockedIncrement(p)); }
    static ULONG Decrement(LONG* p) { return static_cast<ULONG>(InterlockedDecrement(p)); }
    using AutoCriticalSection = CComAutoCriticalSection;
    using CriticalSection = CComCriticalSection;
    using ThreadModelNoCS = CComMultiThreadModelNoCS;
};

// The model of objects that the servers of this platform build by default (apartment-threaded), and
// of what every thread of a process may reach (class factories, the module).
using CComObjectThreadModel = CComSingleThreadModel;
using CComGlobalsThreadModel = CComMultiThreadModel;
