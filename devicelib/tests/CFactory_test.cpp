#include "CFactory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ErrorCodes.h"
#include "OsVersionTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::OsKind;
using platform::StdoutCapture;
using platform::TestMachine;

constexpr char kProgram[] = "C:\\Program Files\\Corvanta\\devpurge.exe";
constexpr char kFolder[] = "C:\\Program Files\\Corvanta\\";

std::vector<std::string> Items(const CaseInsensitiveStringList& list) {
    std::vector<std::string> items;
    for (const CaseInsensitiveString& item : list) items.emplace_back(item.data(), item.size());
    return items;
}

std::string In(const char* file) {
    return std::string(kFolder) + file;
}

// The line the factory writes for a model file without an INF list of this Windows.
std::string NoInfListLine() {
    return std::string("FillFileList failed! failed returning ") + GetErrorString(ERROR_FILE_NOT_FOUND) +
           "\n";
}

// The version record is kept for the life of the process; each machine here needs it read afresh.
class FactoryTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetOsVersionRecordForTesting(); }
    void TearDown() override { ResetOsVersionRecordForTesting(); }
};

// Two model files listed by the installer file (out of order) that both describe driver "Corvanta X".
void WriteModelFiles(TestMachine& test) {
    test.Module(kProgram);
    test.File(In("qnvins08.dat"),
              "[Version]\r\nInfrastructureDatabaseList=qnvmod02.dat, qnvmod01.dat\r\n"
              "[Models]\r\nown=Own\r\n[Own]\r\ndrivername=Own model\r\n");
    test.File(In("qnvmod01.dat"),
              "[Models]\r\nm1=  ModelA\r\nm2=ModelB\r\n"
              "[ModelA]\r\ndrivername=Corvanta X\r\nusbid=usb\\vid_0a1b&pid_0001\r\nparbid=mfg:corvanta;\r\n"
              "helpfile=x.hlp\r\nusb=1\r\nir=2\r\n1394=3\r\nmscl=4\r\nlpt=5\r\npml=6\r\nvip=7\r\ncard=8\r\n"
              "frontport=9\r\ndot4support=-1\r\nsaveutility=2\r\n"
              "[ModelB]\r\ndrivername=Corvanta B\r\n"
              "[INFList.2]\r\nqnvnt.inf=\r\n;old.inf=\r\nqnvcard.inf=\r\n[INFList.1]\r\nqnv9x.inf=\r\n");
    test.File(In("qnvmod02.dat"),
              "[Models]\r\nx=ModelX2\r\nc=ModelC\r\n"
              "[ModelX2]\r\ndrivername=corvanta x\r\nusb=1\r\n[ModelC]\r\ndrivername=Corvanta C\r\n");
}

TEST_F(FactoryTest, ModelsFromSeveralFilesTheLastReadWinning) {
    TestMachine test;
    WriteModelFiles(test);
    StdoutCapture output;
    CFactory factory("qnvins08.dat");
    // Only qnvmod02.dat lacks an INF list; the installer file's own models are not read.
    EXPECT_EQ(output.Take(), NoInfListLine());

    EXPECT_EQ(Items(factory.GetInstallerFileList()), std::vector<std::string>{In("qnvins08.dat")});
    EXPECT_EQ(Items(factory.GetModelList()),
              (std::vector<std::string>{"Corvanta X", "Corvanta B", "Corvanta C"}));
    EXPECT_EQ(Items(factory.GetInfFileList()), (std::vector<std::string>{"qnvnt.inf", "qnvcard.inf"}));

    const CDeviceModel& x = factory.FactorADeviceModel("CORVANTA X");
    EXPECT_EQ(x.IsSupported(), 1u);
    EXPECT_STREQ(x.GetSectionName(), "ModelX2");
    EXPECT_EQ(x.GetDatFileName(), In("qnvmod02.dat"));
    EXPECT_STREQ(x.GetDriverName(), "corvanta x");

    // A model file names no data files: as an installer file it gives no models.
    CFactory modelFileOnly(In("qnvmod01.dat").c_str());
    EXPECT_EQ(modelFileOnly.FactorADeviceModel("x").IsSupported(), 0u);
    for (const char* unknown : {static_cast<const char*>(nullptr), "Corvanta", "Own model", ""}) {
        const CDeviceModel& model = factory.FactorADeviceModel(unknown);
        EXPECT_EQ(model.IsSupported(), 0u) << (unknown ? unknown : "null");
        EXPECT_STREQ(model.GetDriverName(), "");
    }
}

TEST_F(FactoryTest, ModelFields) {
    TestMachine test;
    WriteModelFiles(test);
    test.File(In("single.dat"), "[Version]\r\nInfrastructureDatabaseList=qnvmod01.dat\r\n");
    StdoutCapture output;
    CFactory factory(In("single.dat").c_str());
    EXPECT_EQ(output.Take(), "");
    const CDeviceModel& model = factory.FactorADeviceModel("corvanta X");
    EXPECT_STREQ(model.GetSectionName(), "ModelA");
    EXPECT_STREQ(model.GetModelName(), "Corvanta X");
    EXPECT_STREQ(model.GetUsbID(), "USB\\VID_0A1B&PID_0001");
    EXPECT_STREQ(model.GetParallelID(), "MFG:CORVANTA;");
    EXPECT_STREQ(model.GetHelpFileName(), "x.hlp");
    const DWORD flags[] = {model.HasUSB(),  model.HasIRLpt(), model.Has1394(),
                           model.HasMSCL(), model.HasLPT(),   model.HasPML(),
                           model.HasVIP(),  model.HasCard(),  model.IsFrontPort()};
    for (DWORD index = 0; index < 9; ++index) EXPECT_EQ(flags[index], index + 1);
    EXPECT_EQ(model.SupportsDOT4(), EDot4Support(-1));
    EXPECT_EQ(model.SaveUtilityMethod(), ESaveUtilityMethod(2));
    const CDeviceModel& b = factory.FactorADeviceModel("Corvanta B");
    EXPECT_STREQ(b.GetUsbID(), "");
    EXPECT_EQ(b.HasUSB(), 0u);
    EXPECT_EQ(b.SupportsDOT4(), EDot4Support(0));

    // A copy owns models of its own.
    CFactory* copy = new CFactory(factory);
    EXPECT_STREQ(copy->FactorADeviceModel("corvanta x").GetUsbID(), "USB\\VID_0A1B&PID_0001");
    delete copy;
    EXPECT_EQ(factory.FactorADeviceModel("corvanta x").HasLPT(), 5u);
}

TEST_F(FactoryTest, NinetyEightReadsItsOwnInfList) {
    TestMachine test(OsKind::Windows98);
    WriteModelFiles(test);
    StdoutCapture output;
    CFactory factory("qnvins08.dat");
    output.Take();
    EXPECT_EQ(Items(factory.GetInfFileList()), std::vector<std::string>{"qnv9x.inf"});
}

TEST_F(FactoryTest, WhichInstallerFiles) {
    TestMachine test;
    WriteModelFiles(test);
    test.File("C:\\WINDOWS\\qnvins08.dat", "[Version]\r\nInfrastructureDatabaseList=qnvmod01.dat\r\n");
    test.File("C:\\WINDOWS\\qnxins01.dat", "[Version]\r\n");
    // '?' also matches no character at the end of a name, as Windows matches it.
    test.File("C:\\WINDOWS\\qnvins1.dat", "[Version]\r\n");
    test.File("C:\\WINDOWS\\qnvmod01.dat", "[Models]\r\nw=W\r\n[W]\r\ndrivername=Windows model\r\n");
    test.Folder("C:\\WINDOWS\\qnains00.dat");
    test.File(
        "C:\\WINDOWS\\self.dat",
        "[Version]\r\nInfrastructureDatabaseList=self.dat\r\n[Models]\r\nm=M\r\n[M]\r\ndrivername=Self\r\n"
        "[INFList.2]\r\nself.inf=\r\n");
    struct Row {
        const char* name;
        std::vector<std::string> installerFiles;
        std::vector<std::string> models;
    };
    const Row rows[] = {
        // The program folder's copy comes before the Windows folder's.
        {"qnvins08.dat", {In("qnvins08.dat")}, {"Corvanta X", "Corvanta B", "Corvanta C"}},
        {"self.dat", {"C:\\WINDOWS\\self.dat"}, {"Self"}},
        {"none.dat", {}, {}},
        // A path is taken as it is, whether or not it exists.
        {"C:\\DATA\\none.dat", {"C:\\DATA\\none.dat"}, {}},
        {"\\\\server\\share\\x.dat", {"\\\\server\\share\\x.dat"}, {}},
        // No name: every qn?ins??.dat of the Windows folder, folders left out.
        {nullptr,
         {"C:\\WINDOWS\\qnvins08.dat", "C:\\WINDOWS\\qnvins1.dat", "C:\\WINDOWS\\qnxins01.dat"},
         {"Windows model"}},
    };
    for (const Row& row : rows) {
        StdoutCapture output;
        CFactory factory(row.name);
        output.Take();
        std::vector<std::string> installerFiles = Items(factory.GetInstallerFileList());
        std::sort(installerFiles.begin(), installerFiles.end());
        EXPECT_EQ(installerFiles, row.installerFiles) << (row.name ? row.name : "null");
        EXPECT_EQ(Items(factory.GetModelList()), row.models) << (row.name ? row.name : "null");
    }
}

TEST_F(FactoryTest, FullModelsSectionIsRejectedAsAWhole) {
    TestMachine test;
    test.Module(kProgram);
    std::string models = "[Models]\r\n";
    for (int index = 0; index < 80; ++index) models += "model" + std::to_string(index) + "=Section\r\n";
    test.File(In("big.dat"), models + "[Section]\r\ndrivername=Big\r\n");
    test.File(In("small.dat"), "[Models]\r\ns=S\r\n[S]\r\ndrivername=Small\r\n[INFList.2]\r\nsmall.inf=\r\n");
    test.File(In("qnvins08.dat"), "[Version]\r\nInfrastructureDatabaseList=small.dat,big.dat\r\n");
    StdoutCapture output;
    CFactory factory("qnvins08.dat");
    EXPECT_EQ(output.Take(), "Insufficient buffer to retrieve section names failed\n");
    EXPECT_EQ(Items(factory.GetModelList()), std::vector<std::string>{"Small"});
    EXPECT_EQ(factory.FactorADeviceModel("Big").IsSupported(), 0u);
}

// Languages on the medium: ita, enu and fra; the map of each Windows version may differ.
constexpr char kLanguageFile[] =
    "[Version]\r\nLanguagesInthisCD=ita enu,fra\r\nDefaultLanguageInThisRelease=enuxx\r\n"
    "[LanguageMap]\r\n0x0409=enu\r\n0x0410=ita\r\n0x040C=xxx\r\n0x0407=deu\r\n0x0413=\r\n"
    "[LanguageMap.500]\r\n0x0410=fra\r\n"
    "[LanguageMap.501.2]\r\n0x0410=ITA\r\n0x040C=fra\r\n"
    "[LanguageMap.410]\r\n0x0409=ita\r\n";

TEST_F(FactoryTest, LanguageMapOfEachWindows) {
    struct Row {
        OsKind kind;
        int servicePack;
        // The codes of 0x0409, 0x0410, 0x040C, 0x0407, 0x0413 that the map holds.
        std::vector<std::string> codes;
    };
    const Row rows[] = {
        {OsKind::WindowsXP, 2, {"ITA", "fra"}},  // the keys of [LanguageMap.501.2] alone
        {OsKind::WindowsXP, 1, {"enu", "ita", "enu", "enu", "enu"}},
        {OsKind::Windows2000, 4, {"fra"}},  // [LanguageMap.500]
        {OsKind::Windows98, -1, {"ita"}},   // [LanguageMap.410]
        {OsKind::WindowsMe, -1, {"enu", "ita", "enu", "enu", "enu"}},
    };
    for (const Row& row : rows) {
        TestMachine test(row.kind, row.servicePack);
        ResetOsVersionRecordForTesting();
        test.Module(kProgram);
        test.File(In("qnvins08.dat"), kLanguageFile);
        StdoutCapture output;
        CFactory factory("qnvins08.dat");
        EXPECT_EQ(factory.InitLanguageMap(), 1u);
        std::string lines = output.Take();
        EXPECT_EQ(lines.rfind("Start languages ", 0), 0u) << lines;
        EXPECT_NE(lines.find("\nFinish languages "), std::string::npos) << lines;
        std::vector<std::string> codes;
        for (LANGID id : {0x0409, 0x0410, 0x040C, 0x0407, 0x0413}) {
            const char* code = factory.Get3LetterLanguage(id);
            if (code) codes.push_back(code);
        }
        EXPECT_EQ(codes, row.codes) << platform::OsKindName(row.kind) << " SP" << row.servicePack;
        // The map is built once.
        EXPECT_EQ(factory.InitLanguageMap(), 1u);
        EXPECT_EQ(output.Take(), "");
    }
}

TEST_F(FactoryTest, LanguageIdsAndCodes) {
    TestMachine test(OsKind::WindowsXP, 1);
    test.Module(kProgram);
    test.File(In("qnvins08.dat"), kLanguageFile);
    CFactory factory("qnvins08.dat");
    StdoutCapture output;
    struct Row {
        const char* code;
        LANGID id;
    };
    // The machine's user language is 0x410; "enu" stands first for 0x0409.
    const Row rows[] = {{"ITA", 0x410}, {"enu", 0x409}, {"fra", 0x410},
                        {"deu", 0x410}, {"it", 0x410},  {nullptr, 0x410}};
    for (const Row& row : rows)
        EXPECT_EQ(factory.GetLanguageId(row.code), row.id) << (row.code ? row.code : "null");
    EXPECT_EQ(factory.Get3LetterLanguage(0x0816), nullptr);
    output.Take();
}

TEST_F(FactoryTest, LanguageMapFailures) {
    struct Row {
        const char* versionSection;
        std::string trace;
    };
    const Row rows[] = {
        {"DefaultLanguageInThisRelease=ita\r\n",
         "GetValueByLang(\tf->c_str(), _T(Version), _T(LanguagesInthisCD) failed\n"},
        {"LanguagesInthisCD=ita\r\n",
         "GetValueByLang(\tf->c_str(), _T(Version), _T(DefaultLanguageInThisRelease) failed\n"},
    };
    for (const Row& row : rows) {
        TestMachine test;
        test.Module(kProgram);
        test.File(In("qnvins08.dat"),
                  std::string("[Version]\r\n") + row.versionSection + "[LanguageMap]\r\n0x0409=enu\r\n");
        CFactory factory("qnvins08.dat");
        StdoutCapture output;
        EXPECT_EQ(factory.InitLanguageMap(), 0u);
        EXPECT_EQ(factory.GetLanguageId("enu"), 0x410);
        EXPECT_EQ(factory.Get3LetterLanguage(0x409), nullptr);
        std::string lines = output.Take();
        EXPECT_NE(lines.find(row.trace), std::string::npos) << lines;
    }
}

}  // namespace
