// The shell link object through CoCreateInstance: a link written through IPersistFile reads back the
// same through IShellLinkA, its file is a shell-link file, and opening it starts its target with its
// arguments in its working folder, through ShellExecuteA and through `winmachine run`.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "objbase.h"
#include "platform/machine/text.h"
#include "platform/testing/test_machine.h"
#include "shellapi.h"
#include "shlobj.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr char kTarget[] = "C:\\Programmi\\Corvanta\\bin\\qnvdir07.exe";
constexpr char kTargetLog[] = "C:\\Programmi\\Corvanta\\bin\\qnvdir07.log";
constexpr char kLink[] = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Corvanta\\Centro.lnk";

class ShellLink : public ::testing::Test {
  protected:
    void SetUp() override {
        machine_.Program(kTarget, SHELL_WORKER);
        machine_.Folder("C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Corvanta");
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
    }
    void TearDown() override { CoUninitialize(); }

    IShellLinkA* NewLink() {
        IShellLinkA* link = nullptr;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link)));
        return link;
    }

    static IPersistFile* FileOf(IShellLinkA* link) {
        IPersistFile* file = nullptr;
        EXPECT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
        return file;
    }

    // A link to the hub as the set-up program writes one.
    void WriteHubLink(const char* linkPath) {
        IShellLinkA* link = NewLink();
        ASSERT_TRUE(link);
        EXPECT_EQ(S_OK, link->SetPath(kTarget));
        EXPECT_EQ(S_OK, link->SetArguments("-DeviceID 7"));
        EXPECT_EQ(S_OK, link->SetDescription("Centro di controllo"));
        EXPECT_EQ(S_OK, link->SetWorkingDirectory("C:\\Programmi\\Corvanta"));
        EXPECT_EQ(S_OK, link->SetIconLocation("C:\\Programmi\\Corvanta\\bin\\icone.dll", 3));
        EXPECT_EQ(S_OK, link->SetShowCmd(SW_SHOWMINNOACTIVE));
        IPersistFile* file = FileOf(link);
        EXPECT_EQ(S_OK, file->IsDirty());
        std::u16string path = platform::WideFromAnsi(linkPath);
        EXPECT_EQ(S_OK, file->Save(path.c_str(), TRUE));
        EXPECT_EQ(S_FALSE, file->IsDirty());
        file->Release();
        link->Release();
    }

    TestMachine machine_;
};

std::string Text(HRESULT (IShellLinkA::*get)(LPSTR, int), IShellLinkA* link, int size = MAX_PATH) {
    std::vector<char> buffer(size, 'x');
    EXPECT_EQ(S_OK, (link->*get)(buffer.data(), size));
    return buffer.data();
}

TEST_F(ShellLink, WrittenAndReadBack) {
    WriteHubLink(kLink);
    std::string bytes = machine_.ReadFile(kLink);
    ASSERT_GE(bytes.size(), 0x4Cu + 4);
    DWORD headerSize = 0;
    std::memcpy(&headerSize, bytes.data(), 4);
    EXPECT_EQ(0x4Cu, headerSize);
    EXPECT_EQ(0, std::memcmp(bytes.data() + 4, &CLSID_ShellLink, sizeof(GUID)));

    IShellLinkA* link = NewLink();
    ASSERT_TRUE(link);
    IPersistFile* file = FileOf(link);
    std::u16string path = platform::WideFromAnsi(kLink);
    ASSERT_EQ(S_OK, file->Load(path.c_str(), STGM_READ));
    EXPECT_EQ(S_FALSE, file->IsDirty());
    LPOLESTR current = nullptr;
    EXPECT_EQ(S_OK, file->GetCurFile(&current));
    EXPECT_EQ(kLink, platform::AnsiFromWide(current));
    CoTaskMemFree(current);

    WIN32_FIND_DATAA found{};
    char target[MAX_PATH] = "";
    EXPECT_EQ(S_OK, link->GetPath(target, MAX_PATH, &found, 0));
    EXPECT_STREQ(kTarget, target);
    EXPECT_STREQ("qnvdir07.exe", found.cFileName);
    EXPECT_EQ("-DeviceID 7", Text(&IShellLinkA::GetArguments, link));
    EXPECT_EQ("Centro di controllo", Text(&IShellLinkA::GetDescription, link));
    EXPECT_EQ("C:\\Programmi\\Corvanta", Text(&IShellLinkA::GetWorkingDirectory, link));
    // A buffer too short for a text gets as much as fits.
    EXPECT_EQ("Centro", Text(&IShellLinkA::GetDescription, link, 7));
    char icon[MAX_PATH] = "";
    int index = 0;
    EXPECT_EQ(S_OK, link->GetIconLocation(icon, MAX_PATH, &index));
    EXPECT_STREQ("C:\\Programmi\\Corvanta\\bin\\icone.dll", icon);
    EXPECT_EQ(3, index);
    int show = 0;
    EXPECT_EQ(S_OK, link->GetShowCmd(&show));
    EXPECT_EQ(SW_SHOWMINNOACTIVE, show);
    EXPECT_EQ(S_OK, link->Resolve(nullptr, SLR_NO_UI));
    file->Release();
    link->Release();
}

TEST_F(ShellLink, FilesThatAreNoLinksAndLinksWithoutAFile) {
    machine_.File("C:\\falso.lnk", "not a shell link at all, only text");
    IShellLinkA* link = NewLink();
    ASSERT_TRUE(link);
    IPersistFile* file = FileOf(link);
    const struct {
        const char* path;
        HRESULT result;
    } rows[] = {
        {"C:\\falso.lnk", HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)},
        {"C:\\manca.lnk", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {"C:\\Nessuna\\manca.lnk", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
    };
    for (const auto& row : rows) {
        std::u16string path = platform::WideFromAnsi(row.path);
        EXPECT_EQ(row.result, file->Load(path.c_str(), STGM_READ)) << row.path;
    }
    // Nothing loaded or saved yet: no current file, an empty target, and no file to save to.
    LPOLESTR current = nullptr;
    EXPECT_EQ(S_FALSE, file->GetCurFile(&current));
    CoTaskMemFree(current);
    char target[MAX_PATH] = "x";
    EXPECT_EQ(S_FALSE, link->GetPath(target, MAX_PATH, nullptr, 0));
    EXPECT_STREQ("", target);
    EXPECT_EQ(E_INVALIDARG, file->Save(nullptr, TRUE));
    // A target that has gone is not resolved.
    EXPECT_EQ(S_OK, link->SetPath("C:\\Programmi\\manca.exe"));
    EXPECT_EQ(S_FALSE, link->Resolve(nullptr, SLR_NO_UI));
    std::u16string nowhere = platform::WideFromAnsi("C:\\Nessuna\\x.lnk");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), file->Save(nowhere.c_str(), TRUE));
    file->Release();
    link->Release();
}

TEST_F(ShellLink, OpeningALinkStartsItsTarget) {
    WriteHubLink(kLink);
    machine_.File(kTargetLog, "");
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = kLink;
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&info));
    ASSERT_TRUE(info.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 20000));
    CloseHandle(info.hProcess);
    EXPECT_EQ("\"C:\\Programmi\\Corvanta\\bin\\qnvdir07.exe\" -DeviceID 7\r\nC:\\Programmi\\Corvanta\r\n",
              machine_.ReadFile(kTargetLog));
}

// winmachine as a person runs it, on the test's machine; its exit code.
int RunTool(const std::vector<std::string>& arguments) {
    pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(WINMACHINE_TOOL)};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(WINMACHINE_TOOL, argv.data());
        ::_exit(126);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ShellLink, WinmachineRunStartsALinksTarget) {
    WriteHubLink(kLink);
    machine_.File(kTargetLog, "");
    EXPECT_EQ(0, RunTool({"run", machine_.folder().string(), std::string("\"") + kLink + "\""}));
    EXPECT_EQ("\"C:\\Programmi\\Corvanta\\bin\\qnvdir07.exe\" -DeviceID 7\r\nC:\\Programmi\\Corvanta\r\n",
              machine_.ReadFile(kTargetLog));
}

}  // namespace
