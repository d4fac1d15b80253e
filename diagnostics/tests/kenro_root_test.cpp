// The root object in-process: its settings from the database file of the folder it is made in, what its
// setters write back, the database name, and the members whose children are missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AtlReportError.h"
#include "kenro_fixture.h"

namespace {

using diagnostics::BstrHolder;

constexpr char kBinFolder[] = "C:\\Program Files\\QNAiO\\Bin";

struct Settings {
    std::string path, deviceId, helpDirectory;
    LONG wasInstalled;
};

Settings Read(DIQNAiOKenro* root) {
    Settings settings{Text(&DIQNAiOKenro::get_Path, root), Text(&DIQNAiOKenro::get_DeviceId, root),
                      Text(&DIQNAiOKenro::get_HelpDirectory, root), -1};
    EXPECT_EQ(S_OK, root->get_WasInstalled(&settings.wasInstalled));
    return settings;
}

using KenroRoot = KenroMachine;

TEST_F(KenroRoot, SettingsFromTheDatabaseFileOfTheCurrentFolder) {
    const struct {
        const char* name;
        const char* folder;
        const char* database;  // null: no file
        Settings expected;
    } rows[] = {
        {"no file", kBinFolder, nullptr, {kBinFolder, "", "c:\\program files\\qnaio\\help", 0}},
        {"every bin", "C:\\Bin\\Cabinet", nullptr, {"C:\\Bin\\Cabinet", "", "c:\\help\\cahelpet", 0}},
        {"no [Kenro]",
         kBinFolder,
         "[Units]\r\n1=Printer\r\n",
         {kBinFolder, "", "c:\\program files\\qnaio\\help", 0}},
        {"installed",
         kBinFolder,
         "[Kenro]\r\nHelpDirectory=D:\\Help\r\nDeviceId=946684800\r\nWasInstalled=1\r\n",
         {kBinFolder, "946684800", "D:\\Help", 1}},
        // Once the file's Path has replaced Path, WasInstalled comes from the file in that folder.
        {"all present",
         kBinFolder,
         "[Kenro]\r\nHelpDirectory=D:\\Help\r\nDeviceId=946684800\r\nPath=D:\\Data\r\nWasInstalled=1\r\n",
         {"D:\\Data", "946684800", "D:\\Help", 0}},
        {"only 1 is installed",
         kBinFolder,
         "[Kenro]\r\nWasInstalled=2\r\n",
         {kBinFolder, "", "c:\\program files\\qnaio\\help", 0}},
        {"empty values are missing",
         kBinFolder,
         "[Kenro]\r\nHelpDirectory=\r\nPath=\r\nDeviceId=\r\n",
         {kBinFolder, "", "c:\\program files\\qnaio\\help", 0}},
        {"NotFound is missing",
         kBinFolder,
         "[Kenro]\r\nPath=NotFound\r\n",
         {kBinFolder, "", "c:\\program files\\qnaio\\help", 0}},
        // The help folder is settled before the file's Path replaces the current directory.
        {"help from the current folder",
         kBinFolder,
         "[Kenro]\r\nPath=D:\\Bin\r\n",
         {"D:\\Bin", "", "c:\\program files\\qnaio\\help", 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WorkIn(row.folder, row.database);
        CComPtr<DIQNAiOKenro> root = CreateRoot();
        ASSERT_TRUE(root);
        Settings settings = Read(root);
        EXPECT_EQ(row.expected.path, settings.path);
        EXPECT_EQ(row.expected.deviceId, settings.deviceId);
        EXPECT_EQ(row.expected.helpDirectory, settings.helpDirectory);
        EXPECT_EQ(row.expected.wasInstalled, settings.wasInstalled);
        machine.File(std::string(row.folder) + "\\kenrdb07.sdb", "");
    }
}

TEST_F(KenroRoot, TheDatabaseNameAddsOneBackslashToPath) {
    const struct {
        const char* path;
        const char* name;
    } rows[] = {
        {kBinFolder, "C:\\Program Files\\QNAiO\\Bin\\kenrdb07.sdb"},
        {"C:\\", "C:\\\\kenrdb07.sdb"},
        {"", "\\kenrdb07.sdb"},
    };
    WorkIn("C:\\");
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    EXPECT_EQ("C:\\\\kenrdb07.sdb", Text(&DIQNAiOKenro::get_DatabaseName, root));
    for (const auto& row : rows) {
        root->put_Path(BstrHolder(framework::WideFromAnsi(row.path).c_str()));
        EXPECT_EQ(row.name, Text(&DIQNAiOKenro::get_DatabaseName, root)) << row.path;
    }
}

TEST_F(KenroRoot, PutDeviceIdMarksTheProductInstalledEvenWhenEmpty) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    EXPECT_EQ(S_OK, root->put_DeviceId(BstrHolder(u"")));
    LONG installed = 0;
    root->get_WasInstalled(&installed);
    EXPECT_EQ(1, installed);
    EXPECT_EQ("[Kenro]\r\nDeviceId=\r\nWasInstalled=1\r\n",
              machine.ReadFile(std::string(kBinFolder) + "\\kenrdb07.sdb"));
    EXPECT_EQ(S_OK, root->put_HelpDirectory(BstrHolder(u"C:\\Manuali")));
    EXPECT_EQ("C:\\Manuali", Text(&DIQNAiOKenro::get_HelpDirectory, root));

    // A new object reads back what was written.
    CComPtr<DIQNAiOKenro> again = CreateRoot();
    Settings settings = Read(again);
    EXPECT_EQ("", settings.deviceId);
    EXPECT_EQ("C:\\Manuali", settings.helpDirectory);
    EXPECT_EQ(1, settings.wasInstalled);
}

TEST_F(KenroRoot, PutPathWritesTheNewFileAndReadsNothingBack) {
    WorkIn(kBinFolder, "[Kenro]\r\nDeviceId=1\r\nHelpDirectory=C:\\Help\r\n");
    machine.File("D:\\Data\\kenrdb07.sdb",
                 "[Kenro]\r\nDeviceId=2\r\nHelpDirectory=D:\\Help\r\nWasInstalled=1\r\n");
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    root->put_Path(BstrHolder(u"D:\\Data"));
    Settings settings = Read(root);
    EXPECT_EQ("D:\\Data", settings.path);
    EXPECT_EQ("1", settings.deviceId);
    EXPECT_EQ("C:\\Help", settings.helpDirectory);
    EXPECT_EQ(0, settings.wasInstalled);
    EXPECT_EQ("D:\\Data\\kenrdb07.sdb", Text(&DIQNAiOKenro::get_DatabaseName, root));
    EXPECT_EQ("[Kenro]\r\nDeviceId=2\r\nHelpDirectory=D:\\Help\r\nWasInstalled=1\r\nPath=D:\\Data\r\n",
              machine.ReadFile("D:\\Data\\kenrdb07.sdb"));
    EXPECT_EQ("[Kenro]\r\nDeviceId=1\r\nHelpDirectory=C:\\Help\r\n",
              machine.ReadFile(std::string(kBinFolder) + "\\kenrdb07.sdb"));
}

TEST_F(KenroRoot, UnitNameIsKeptAsGiven) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    EXPECT_EQ("", Text(&DIQNAiOKenro::get_UnitName, root));
    EXPECT_EQ(S_OK, root->put_UnitName(BstrHolder(u"Stampante")));
    EXPECT_EQ("Stampante", Text(&DIQNAiOKenro::get_UnitName, root));
}

// Every getter checks its out-pointer first, and leaves the thread's error information as it was.
TEST_F(KenroRoot, NullOutPointersGiveEPointer) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    BstrHolder name(u"x");
    AtlReportError(GUID_NULL, u"earlier", GUID_NULL, E_FAIL);
    const struct {
        const char* member;
        HRESULT result;
    } rows[] = {
        {"Reports", root->get_Reports(nullptr)},
        {"System", root->get_System(nullptr)},
        {"Registry", root->get_Registry(nullptr)},
        {"DirectoryFile", root->get_DirectoryFile(name, nullptr)},
        {"Results", root->get_Results(QNAiO_ResultsEnum(0), nullptr)},
        {"DatabaseName", root->get_DatabaseName(nullptr)},
        {"Units", root->get_Units(nullptr)},
        {"Test", root->get_Test(4, nullptr)},
        {"TroubleShootingRoutine", root->get_TroubleShootingRoutine(1, nullptr)},
        {"Tests", root->get_Tests(nullptr)},
        {"Conflicts", root->get_Conflicts(nullptr)},
        {"Report", root->get_Report(QNAiO_SystemReport, nullptr)},
        {"AddRemovePrograms", root->get_AddRemovePrograms(nullptr)},
        {"NTServices", root->get_NTServices(nullptr)},
        {"UnitName", root->get_UnitName(nullptr)},
        {"Help", root->get_Help(nullptr)},
        {"DisplayMessages", root->get_DisplayMessages(nullptr)},
        {"ProgressBarDlg", root->get_ProgressBarDlg(nullptr)},
        {"Path", root->get_Path(nullptr)},
        {"DeviceId", root->get_DeviceId(nullptr)},
        {"HelpDirectory", root->get_HelpDirectory(nullptr)},
        {"WasInstalled", root->get_WasInstalled(nullptr)},
    };
    for (const auto& row : rows) EXPECT_EQ(E_POINTER, row.result) << row.member;
    CComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    BstrHolder description;
    info->GetDescription(&description);
    EXPECT_EQ("earlier", framework::AnsiFromWide(description.m_str));
}

// A child whose class the library does not hold is missing: its getter, and a lookup forwarded to it, fail.
TEST_F(KenroRoot, ChildrenNotInTheLibraryAreMissing) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    BstrHolder name(u"C:\\");
    using Getter = HRESULT (*)(DIQNAiOKenro*, IDispatch**, BSTR);
    const struct {
        const char* member;
        Getter get;
    } rows[] = {
        {"Reports", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Reports(p); }},
        {"Units", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Units(p); }},
        {"Tests", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Tests(p); }},
        {"Conflicts", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Conflicts(p); }},
        {"System", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_System(p); }},
        {"Registry", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Registry(p); }},
        {"DirectoryFile", [](DIQNAiOKenro* r, IDispatch** p, BSTR n) { return r->get_DirectoryFile(n, p); }},
        {"AddRemovePrograms",
         [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_AddRemovePrograms(p); }},
        {"NTServices", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_NTServices(p); }},
        {"Help", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Help(p); }},
        {"Test", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Test(4, p); }},
        {"TroubleShootingRoutine",
         [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_TroubleShootingRoutine(1, p); }},
        {"Report", [](DIQNAiOKenro* r, IDispatch** p, BSTR) { return r->get_Report(QNAiO_SystemReport, p); }},
    };
    for (const auto& row : rows) {
        IDispatch* object = nullptr;
        EXPECT_EQ(E_FAIL, row.get(root, &object, name)) << row.member;
        EXPECT_EQ(nullptr, object) << row.member;
    }
}

TEST_F(KenroRoot, TroubleShootRtnsIsNotImplemented) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    CComPtr<IDispatch> routines;
    EXPECT_EQ(E_NOTIMPL, root->get_TroubleShootRtns(&routines));
    EXPECT_FALSE(routines);
    EXPECT_EQ(E_NOTIMPL, root->get_TroubleShootRtns(nullptr));
}

// Results reads its out-argument: a null one receives a new collection of the kind asked for; a results
// collection passed in is confirmed and an object of another kind refused, both left as they were.
TEST_F(KenroRoot, ResultsMakesACollectionOnlyWhenNoneIsPassedIn) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    CComPtr<IDispatch> made;
    ASSERT_EQ(S_OK, root->get_Results(QNAiO_ResultsDirectoryFiles, &made));
    ASSERT_TRUE(made);
    CComPtr<DIQNAiOResults> results;
    ASSERT_EQ(S_OK, made->QueryInterface(IID_DIQNAiOResults, reinterpret_cast<void**>(&results)));
    QNAiO_ResultsEnum kind = QNAiO_ResultsUndefined;
    EXPECT_EQ(S_OK, results->get_Type(&kind));
    EXPECT_EQ(QNAiO_ResultsDirectoryFiles, kind);

    IDispatch* passed = made;
    EXPECT_EQ(S_OK, root->get_Results(QNAiO_ResultsRegistryKeys, &passed));
    EXPECT_EQ(made.p, passed);
    results->get_Type(&kind);
    EXPECT_EQ(QNAiO_ResultsDirectoryFiles, kind);

    passed = root;
    EXPECT_EQ(E_FAIL, root->get_Results(QNAiO_ResultsDirectoryFiles, &passed));
    EXPECT_EQ(static_cast<IDispatch*>(root), passed);
}

TEST_F(KenroRoot, ProgressBarDlgIsNewOnEveryRead) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    CComPtr<IDispatch> first, second;
    ASSERT_EQ(S_OK, root->get_ProgressBarDlg(&first));
    ASSERT_EQ(S_OK, root->get_ProgressBarDlg(&second));
    EXPECT_NE(first.p, second.p);
    CComPtr<DIQNAiOProgressBarDlg> dialog;
    ASSERT_EQ(S_OK, first->QueryInterface(IID_DIQNAiOProgressBarDlg, reinterpret_cast<void**>(&dialog)));
    LONG canceled = -1;
    EXPECT_EQ(S_OK, dialog->get_IsCanceled(&canceled));
    EXPECT_EQ(0, canceled);
}

TEST_F(KenroRoot, DisplayMessagesAreNewAndEmptyOnEveryRead) {
    WorkIn(kBinFolder);
    CComPtr<DIQNAiOKenro> root = CreateRoot();
    ASSERT_TRUE(root);
    CComPtr<IDispatch> first, second;
    ASSERT_EQ(S_OK, root->get_DisplayMessages(&first));
    ASSERT_EQ(S_OK, root->get_DisplayMessages(&second));
    EXPECT_NE(first.p, second.p);
    CComPtr<DIQNAiODisplayMessages> messages;
    ASSERT_EQ(S_OK, first->QueryInterface(IID_DIQNAiODisplayMessages, reinterpret_cast<void**>(&messages)));
    LONG count = -1;
    EXPECT_EQ(S_OK, messages->get_Count(&count));
    EXPECT_EQ(0, count);
}

}  // namespace
