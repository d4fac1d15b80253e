// The library's names are exported from the program that links it, under the host's C++ names.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

TEST(ExportsTest, LibraryFunctionsAreExportedFromTheProgram) {
    const char* names[] = {
        "_Z14GetErrorStringl",                                                        // GetErrorString(long)
        "_Z15GetLastErrorMsgmP11HINSTANCE__",                                        // GetLastErrorMsg(id, module)
        "_Z4IsNTv",                                                                   // IsNT()
        "_Z6Is98SEv",                                                                 // Is98SE()
        "_Z19GetValueByQualifierPKcS0_S0_S0_Pcj",                                    // GetValueByQualifier
        "_Z24ConvertValueToStringListPKcRNSt7__cxx114listINS1_12basic_stringIc28case_insensitive_char_traitsSaIcEEESaIS6_EEES0_",
    };
    for (const char* name : names) {
        EXPECT_NE(dlsym(RTLD_DEFAULT, name), nullptr) << name;
    }
}

}  // namespace
