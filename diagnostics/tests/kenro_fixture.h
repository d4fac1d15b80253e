// A machine for the in-process tests of the root object and the database file: the test process works in
// a folder of it, and a root object made there reads the database file of that folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "AnsiText.h"
#include "BstrHolder.h"
#include "CComObject.h"
#include "CComPtr.h"
#include "QNAiOKenro.h"
#include "platform/testing/test_machine.h"

class KenroMachine : public ::testing::Test {
  protected:
    platform::TestMachine machine;

    // Makes folder the current directory, with the database file's text when one is given.
    void WorkIn(const std::string& folder, const char* database = nullptr) {
        machine.Folder(folder);
        if (database) machine.File(folder + (folder.back() == '\\' ? "" : "\\") + "kenrdb07.sdb", database);
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    }
    // A new root object, as the class factory makes it.
    CComPtr<DIQNAiOKenro> CreateRoot() {
        CComObject<diagnostics::QNAiOKenro>* root = nullptr;
        EXPECT_EQ(S_OK, CComObject<diagnostics::QNAiOKenro>::CreateInstance(&root));
        return CComPtr<DIQNAiOKenro>(root);
    }
};

// What one of the root object's text getters gives, as ANSI text.
inline std::string Text(HRESULT (STDMETHODCALLTYPE DIQNAiOKenro::*getter)(BSTR*), DIQNAiOKenro* root) {
    diagnostics::BstrHolder text;
    EXPECT_EQ(S_OK, (root->*getter)(&text));
    return framework::AnsiFromWide(text.m_str);
}
