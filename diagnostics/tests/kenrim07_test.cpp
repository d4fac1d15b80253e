// kenrim07 end to end, in machines, as the product installs it: its stub in the product's folder,
// registered by regsvr32; the root object created by its ProgIDs and class id in this process, from an
// early-bound client program and from scripts run by cscript; unloaded once nothing holds it.
#include "kenrim07.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "AnsiText.h"
#include "CComBSTR.h"
#include "CComPtr.h"
#include "ole2.h"
#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr char kServerPath[] = "C:\\Program Files\\QNAiO\\Bin\\kenrim07.dll";
constexpr char kClientPath[] = "C:\\Program Files\\QNAiO\\Bin\\kenroclient.exe";
constexpr char kClassKey[] = "CLSID\\{7E7B9463-87EB-11D3-A499-0060B0F8AA86}";
constexpr char kTypeLibKey[] = "TypeLib\\{7E7B9452-87EB-11D3-A499-0060B0F8AA86}";

std::optional<std::string> Text(const std::string& path, const char* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[512] = "";
    DWORD size = sizeof data;
    LONG error = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return std::nullopt;
    return std::string(data);
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class Kenrim07 : public ::testing::Test {
  protected:
    platform::TestMachine machine;

    void SetUp() override {
        machine.Program(kServerPath, KENRIM07_LIBRARY);
        ASSERT_EQ(0u, Regsvr32(""));
    }
    // regsvr32 /s with the options given ("/u " to unregister) on the server; its exit code.
    DWORD Regsvr32(const std::string& options) {
        platform::ProgramRun run = platform::RunProgram("C:\\WINDOWS\\system32\\regsvr32.exe /s " + options +
                                                        "\"" + kServerPath + "\"");
        EXPECT_TRUE(run.started) << run.error;
        return run.exitCode;
    }
};

TEST_F(Kenrim07, Regsvr32WritesTheScriptsKeysAndTheTypeLibrary) {
    const std::string classKey = kClassKey;
    const struct {
        std::string key;
        const char* value;
        std::string data;
    } rows[] = {
        {"QNAiO.Kenro.1", nullptr, "QNAiOKenro Class"},
        {"QNAiO.Kenro.1\\CLSID", nullptr, "{7E7B9463-87EB-11D3-A499-0060B0F8AA86}"},
        {"QNAiO.Kenro", nullptr, "QNAiOKenro Class"},
        {"QNAiO.Kenro\\CLSID", nullptr, "{7E7B9463-87EB-11D3-A499-0060B0F8AA86}"},
        {"QNAiO.Kenro\\CurVer", nullptr, "QNAiO.Kenro.1"},
        {classKey, nullptr, "QNAiOKenro Class"},
        {classKey + "\\ProgID", nullptr, "QNAiO.Kenro.1"},
        {classKey + "\\VersionIndependentProgID", nullptr, "QNAiO.Kenro"},
        {classKey + "\\InprocServer32", nullptr, kServerPath},
        {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {classKey + "\\TypeLib", nullptr, "{7E7B9452-87EB-11D3-A499-0060B0F8AA86}"},
        {std::string(kTypeLibKey) + "\\1.0", nullptr, "KenroImp 1.0 Type Library"},
        {std::string(kTypeLibKey) + "\\1.0\\0\\win32", nullptr, kServerPath},
    };
    for (const auto& row : rows) EXPECT_EQ(row.data, Text(row.key, row.value)) << row.key;
    EXPECT_TRUE(KeyExists(classKey + "\\Programmable"));
    // Every interface of the library is registered with it.
    EXPECT_EQ(std::string(kTypeLibKey).substr(8),
              Text("Interface\\{7E7B9462-87EB-11D3-A499-0060B0F8AA86}\\TypeLib"));

    EXPECT_EQ(0u, Regsvr32("/u "));
    for (const std::string& gone :
         {std::string("QNAiO.Kenro"), std::string("QNAiO.Kenro.1"), classKey, std::string(kTypeLibKey)})
        EXPECT_FALSE(KeyExists(gone)) << gone;
    EXPECT_TRUE(KeyExists("CLSID"));
}

class Kenrim07InProcess : public Kenrim07 {
  protected:
    void SetUp() override {
        Kenrim07::SetUp();
        if (HasFatalFailure()) return;
        machine.Folder("C:\\Lavoro");
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\Lavoro"));
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }
    static std::string Path(DIQNAiOKenro* root) {
        CComBSTR path;
        EXPECT_EQ(S_OK, root->get_Path(&path));
        return framework::AnsiFromWide(path.m_str);
    }
};

TEST_F(Kenrim07InProcess, CreatedByEitherProgIDAndByClassId) {
    for (const char16_t* progId : {u"QNAiO.Kenro", u"QNAiO.Kenro.1"}) {
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_EQ(CLSID_QNAiOKenro, clsid);
        CComPtr<DIQNAiOKenro> root;
        ASSERT_EQ(S_OK, root.CoCreateInstance(clsid, IID_DIQNAiOKenro, nullptr, CLSCTX_INPROC_SERVER));
        EXPECT_EQ("C:\\Lavoro", Path(root));
    }
    // Through its class factory, the object's interfaces in the shape every class has.
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_QNAiOKenro, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)));
    CComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
    for (const IID* iid :
         {&IID_DIQNAiOKenro, &IID_IDispatch, &IID_ISupportErrorInfo, &IID_IConnectionPointContainer}) {
        CComPtr<IUnknown> face;
        EXPECT_EQ(S_OK, object->QueryInterface(*iid, reinterpret_cast<void**>(&face)));
    }
    CComPtr<IUnknown> other;
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_DIQNAiOResults, reinterpret_cast<void**>(&other)));
}

// The library's exports asked directly, with the library loaded by COM for the object.
TEST_F(Kenrim07InProcess, UnloadedOnlyWhenTheLastObjectIsReleased) {
    CComPtr<DIQNAiOKenro> root;
    ASSERT_EQ(S_OK, root.CoCreateInstance(CLSID_QNAiOKenro, IID_DIQNAiOKenro, nullptr, CLSCTX_INPROC_SERVER));
    HMODULE library = GetModuleHandleA(kServerPath);
    ASSERT_TRUE(library);
    FARPROC canUnloadExport = GetProcAddress(library, "DllCanUnloadNow");
    FARPROC getClassObjectExport = GetProcAddress(library, "DllGetClassObject");
    ASSERT_TRUE(canUnloadExport && getClassObjectExport);
    EXPECT_EQ(canUnloadExport, GetProcAddress(library, reinterpret_cast<LPCSTR>(1)));
    EXPECT_EQ(getClassObjectExport, GetProcAddress(library, reinterpret_cast<LPCSTR>(2)));
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(canUnloadExport));
    auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*)>(
        reinterpret_cast<void (*)()>(getClassObjectExport));

    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(CLSID_QNAiOResults, IID_IClassFactory, &factory));
    EXPECT_EQ(nullptr, factory);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(GUID_NULL, IID_IClassFactory, &factory));
    EXPECT_EQ(E_POINTER, getClassObject(CLSID_QNAiOKenro, IID_IClassFactory, nullptr));

    EXPECT_EQ(S_FALSE, canUnload());
    CoFreeUnusedLibraries();
    EXPECT_EQ(library, GetModuleHandleA(kServerPath));
    root.Release();
    EXPECT_EQ(S_OK, canUnload());
    CoFreeUnusedLibraries();
    EXPECT_EQ(nullptr, GetModuleHandleA(kServerPath));
}

TEST_F(Kenrim07, AnotherProcessDrivesItEarlyBound) {
    machine.Program(kClientPath, KENRO_CLIENT_PROGRAM);
    machine.Folder("C:\\Dati\\Bin");
    platform::ProgramRun run = platform::RunProgram(std::string("\"") + kClientPath + "\"", "C:\\Dati\\Bin");
    ASSERT_TRUE(run.started) << run.error;
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(
        "progid QNAiO.Kenro 00000000 root\n"
        "create 00000000\n"
        "progid QNAiO.Kenro.1 00000000 root\n"
        "create 00000000\n"
        "create by clsid 00000000\n"
        "path C:\\Dati\\Bin\n"
        "database C:\\Dati\\Bin\\kenrdb07.sdb\n"
        "device id '' installed 0\n"
        "help c:\\dati\\help\n"
        "units 80004005\n"
        "routines 80004001\n"
        "device id set 00000000 installed 1\n",
        run.output);
    EXPECT_EQ("[Kenro]\r\nDeviceId=946684800\r\nWasInstalled=1\r\n",
              machine.ReadFile("C:\\Dati\\Bin\\kenrdb07.sdb"));
}

struct ScriptCase {
    const char* name;
    const char* folder;               // the script's current folder
    const char* database;             // the database file there, or null
    std::vector<const char*> script;  // its lines
    std::vector<const char*> output;  // the lines cscript writes
    DWORD exitCode;
};

class Kenrim07Scripts : public Kenrim07 {
  protected:
    void Expect(const ScriptCase& row) {
        machine.Folder(row.folder);
        if (row.database)
            machine.File(std::string(row.folder) + (std::string(row.folder).back() == '\\' ? "" : "\\") +
                             "kenrdb07.sdb",
                         row.database);
        std::string text;
        for (const char* line : row.script) text += std::string(line) + "\r\n";
        std::string path = std::string("C:\\scripts\\") + row.name + ".vbs";
        machine.File(path, text);
        platform::ProgramRun run =
            platform::RunProgram("C:\\WINDOWS\\system32\\cscript.exe //nologo " + path, row.folder);
        ASSERT_TRUE(run.started) << row.name << ": error " << run.error;
        std::string output;
        for (const char* line : row.output) output += std::string(line) + "\n";
        EXPECT_EQ(output, run.output) << row.name;
        EXPECT_EQ(row.exitCode, run.exitCode) << row.name;
    }
};

TEST_F(Kenrim07Scripts, LateBoundThroughTheTypeLibrary) {
    const ScriptCase cases[] = {
        {"settings",
         "C:\\Dati\\Bin",
         nullptr,
         {"Set kenro = CreateObject(\"QNAiO.Kenro\")", "WScript.Echo kenro.Path",
          "WScript.Echo kenro.DatabaseName",
          "WScript.Echo \"[\" & kenro.DeviceId & \"] \" & kenro.WasInstalled & \" \" & kenro.HelpDirectory",
          "kenro.DeviceId = \"\"", "kenro.UnitName = \"Stampante\"",
          "WScript.Echo kenro.WasInstalled & \" \" & kenro.UnitName"},
         {"C:\\Dati\\Bin", "C:\\Dati\\Bin\\kenrdb07.sdb", "[] 0 c:\\dati\\help", "1 Stampante"},
         0},
        {"root",
         "C:\\",
         nullptr,
         {"Set kenro = CreateObject(\"QNAiO.Kenro.1\")", "WScript.Echo kenro.DatabaseName"},
         {"C:\\\\kenrdb07.sdb"},
         0},
        {"database",
         "C:\\Dati",
         "[Kenro]\r\nDeviceId=946684800\r\nWasInstalled=2\r\nPath=D:\\Altrove\r\n",
         {"Set kenro = CreateObject(\"QNAiO.Kenro\")",
          "WScript.Echo kenro.Path & \" \" & kenro.DeviceId & \" \" & kenro.WasInstalled",
          // put Path answers what creating the children gives, which depends on the classes present.
          "On Error Resume Next", "kenro.Path = \"C:\\Dati\"", "On Error Goto 0",
          "WScript.Echo kenro.Path & \" \" & kenro.DeviceId & \" \" & kenro.WasInstalled"},
         {"D:\\Altrove 946684800 0", "C:\\Dati 946684800 0"},
         0},
        {"made",
         "C:\\Dati\\Bin",
         nullptr,
         {"Set kenro = CreateObject(\"QNAiO.Kenro\")", "Set messages = kenro.DisplayMessages",
          "Set progress = kenro.ProgressBarDlg", "WScript.Echo messages.Count & \" \" & progress.IsCanceled"},
         {"0 0"},
         0},
        // Results fills the variable it is given with a new collection while it holds Nothing, and
        // leaves a collection it already holds.
        {"results",
         "C:\\Dati\\Bin",
         nullptr,
         {"Set kenro = CreateObject(\"QNAiO.Kenro\")", "Set results = Nothing",
          "found = kenro.Results(15, results)", "results.Result(1) = \"x\"",
          "WScript.Echo results.Count & \" \" & results.Type", "Set kept = results",
          "found = kenro.Results(3, results)", "WScript.Echo results.Count & \" \" & (results Is kept)"},
         {"1 15", "1 True"},
         0},
        // The reporter sets no description: a failure reaches the script as its HRESULT alone, with the
        // language's own text.
        {"failures",
         "C:\\Dati\\Bin",
         nullptr,
         {"Set kenro = CreateObject(\"QNAiO.Kenro\")", "On Error Resume Next",
          "Set routines = kenro.TroubleShootRtns",
          "WScript.Echo Err.Number & \" [\" & Err.Description & \"]\"", "Err.Clear",
          "Set units = kenro.Units", "WScript.Echo Err.Number", "Err.Clear", "Set report = kenro.Report(8)",
          "WScript.Echo Err.Number", "On Error Goto 0", "WScript.Echo \"end\""},
         {"-2147467263 [Unknown runtime error]", "-2147467259", "-2147467259", "end"},
         0},
        {"unhandled",
         "C:\\Dati\\Bin",
         nullptr,
         {"Set kenro = CreateObject(\"QNAiO.Kenro\")", "Set conflicts = kenro.Conflicts",
          "WScript.Echo \"after\""},
         {"C:\\scripts\\unhandled.vbs(2, 1) VBScript runtime error: Unknown runtime error (Code: 80004005)"},
         1},
    };
    for (const ScriptCase& row : cases) Expect(row);
}

}  // namespace
