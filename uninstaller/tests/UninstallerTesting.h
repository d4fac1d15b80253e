// Test support: a fixture that puts the program-wide state back as start-up leaves it, and an uninstaller
// whose settings and collected lists a test chooses.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CUninstaller.h"
#include "ErrorCodes.h"
#include "OsVersionTesting.h"
#include "UninstallerGlobals.h"

class UninstallerTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        ResetOsVersionRecordForTesting();
        gDatFileMode = gUnattended = gSilent = gRestartNeeded = gLegacy = gNoCopyToTemp = 0;
        gShowRestart = 1;
        FIRST_IO_REVISION = FIRST_CA_REVISION = 1;  // empty ranges: no revision keys are read
        LAST_IO_REVISION = LAST_CA_REVISION = 0;
        gSharedCleanup = 1;
        VCD_FILEVER = ICE_REV = 0;
        DIVISION = "Pelor";
        gDATFileName.clear();
        gErrorList.clear();
        gLogList.clear();
        gRevisionKeywords.clear();
    }
};

inline std::vector<std::string> Strings(const CaseInsensitiveStringList& list) {
    std::vector<std::string> strings;
    for (const CaseInsensitiveString& item : list) strings.emplace_back(item.c_str());
    return strings;
}

// The Windows text of an error code, as the logs write it.
inline std::string ErrorText(DWORD code) {
    SetLastError(code);
    std::string text;
    GetLastErrorMsg(text);
    return text;
}

// Records its calls in `calls`; when enabled, Delete runs `action` and then collects the given lists.
class TestUninstaller : public CUninstaller {
  public:
    struct Lists {
        std::vector<std::string> files, log, errors;
    };
    TestUninstaller(const char* name, unsigned int enabled, Lists lists, std::vector<std::string>& calls,
                    CUninstallerProgress* pProgress = nullptr, std::function<void()> action = nullptr)
        : CUninstaller(pProgress),
          name_(name),
          enabled_(enabled),
          lists_(std::move(lists)),
          calls_(calls),
          action_(std::move(action)) {}
    unsigned int IsEnabled() override {
        calls_.push_back(name_ + ".IsEnabled");
        return enabled_;
    }
    unsigned int Delete() override {
        calls_.push_back(name_ + ".Delete");
        if (action_) action_();
        for (const std::string& file : lists_.files) m_filesList.push_back(file.c_str());
        for (const std::string& text : lists_.log) m_logList.push_back(text.c_str());
        for (const std::string& text : lists_.errors) m_errorList.push_back(text.c_str());
        return 1;
    }
    ~TestUninstaller() override { calls_.push_back(name_ + ".~"); }

  private:
    std::string name_;
    unsigned int enabled_;
    Lists lists_;
    std::vector<std::string>& calls_;
    std::function<void()> action_;
};
