// What the tests of the server's classes share: the module they run in (this test program, which holds
// the server's resources and type library) in a test machine, and new objects held by one reference.
#pragma once

#include <gtest/gtest.h>

#include "CComModule.h"
#include "CComObject.h"
#include "CComPtr.h"
#include "platform/testing/test_machine.h"

namespace diagnostics_test {

class ServerModule : public ::testing::Test {
  protected:
    void SetUp() override { _Module.Init(nullptr, GetModuleHandleA(nullptr)); }
    // Also drops the type information the dual interfaces loaded from this test's machine.
    void TearDown() override {
        _Module.Term();
        EXPECT_EQ(0, _Module.GetLockCount());
    }

    platform::TestMachine machine;
};

template <class Class>
CComPtr<CComObject<Class>> New() {
    CComObject<Class>* object = nullptr;
    EXPECT_EQ(S_OK, CComObject<Class>::CreateInstance(&object));
    return CComPtr<CComObject<Class>>(object);
}

}  // namespace diagnostics_test
