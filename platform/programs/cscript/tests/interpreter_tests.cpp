// The interpreter over objects written straight on IDispatch: what a script prints, how it ends, and
// what each statement asks of the objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_objects.h"
#include "host_object.h"
#include "interpreter.h"
#include "objbase.h"
#include "parser.h"
#include "platform/kernel32/platform_libraries.h"
#include "platform/machine/text.h"
#include "platform/testing/test_machine.h"

namespace vbscript {
namespace {

using testing::CallLog;
using testing::NewFakeDevice;

DEFINE_GUID(CLSID_FakeDevice, 0x3F1D2C40, 0x7A5B, 0x4E61, 0x8C, 0x22, 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA);

constexpr const char* kFakeDeviceClass = R"(REGEDIT4
[HKEY_CLASSES_ROOT\Fake.Device\CLSID]
@="{3F1D2C40-7A5B-4E61-8C22-1032547698BA}"
[HKEY_CLASSES_ROOT\CLSID\{3F1D2C40-7A5B-4E61-8C22-1032547698BA}\InprocServer32]
@="fakedevice.dll"
)";

// The server of Fake.Device: its class object makes devices.
class DeviceFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppvObject) override {
        IDispatch* device = NewFakeDevice();
        HRESULT result = device->QueryInterface(riid, ppvObject);
        device->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

DeviceFactory deviceFactory;

extern "C" HRESULT STDAPICALLTYPE FakeDeviceGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    *ppv = nullptr;
    if (rclsid != CLSID_FakeDevice) return CLASS_E_CLASSNOTAVAILABLE;
    return deviceFactory.QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE FakeDeviceCanUnloadNow() {
    return S_FALSE;
}

const platform::PlatformLibraryRegistrar deviceServer(
    "fakedevice.dll", platform::LibraryLoad::OnDemand,
    {{"DllGetClassObject", platform::AsEntryPoint(&FakeDeviceGetClassObject)},
     {"DllCanUnloadNow", platform::AsEntryPoint(&FakeDeviceCanUnloadNow)}});

struct Outcome {
    std::string output;  // the lines written, each ended by "\n"
    std::string error;   // the error line, if the script failed
    bool quit = false;
    int exitCode = 0;
};

struct ScriptCase {
    const char* script;
    const char* output;
    const char* error = "";
};

// Numbers and the system's texts follow the user's language; these tests run in English.
platform::MachineSettings EnglishMachine() {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::WindowsXP);
    settings.systemLanguage = 0x409;
    settings.userLanguage = 0x409;
    return settings;
}

class ScriptRuns : public ::testing::Test {
  protected:
    explicit ScriptRuns(const platform::MachineSettings& settings = EnglishMachine()) : machine_(settings) {
        machine_.Registry(kFakeDeviceClass);
        CoInitialize(nullptr);
        CallLog().clear();
    }
    ~ScriptRuns() override { CoUninitialize(); }

    Outcome Run(const std::string& script) {
        Outcome outcome;
        ParseResult parsed = Parse(platform::WideFromAnsi(script));
        if (parsed.error) {
            outcome.error = platform::AnsiFromWide(CompileErrorLine(u"C:\\t.vbs", *parsed.error));
            return outcome;
        }
        Interpreter interpreter;
        ComPointer<IDispatch> host = MakeHostObject(
            interpreter,
            [&](std::u16string_view line) { outcome.output += platform::AnsiFromWide(line) + "\n"; },
            {u"first", u"second"});
        ComPointer<IDispatch> device = ComPointer<IDispatch>::Adopt(NewFakeDevice());
        interpreter.AddNamedObject(u"WScript", host.get());
        interpreter.AddNamedObject(u"Device", device.get());
        RunResult result = interpreter.Run(parsed.program);
        if (result.error)
            outcome.error = platform::AnsiFromWide(RuntimeErrorLine(u"C:\\t.vbs", *result.error));
        outcome.quit = result.quit;
        outcome.exitCode = result.exitCode;
        return outcome;
    }

    void RunCases(const std::vector<ScriptCase>& cases) {
        for (const ScriptCase& row : cases) {
            Outcome outcome = Run(row.script);
            EXPECT_EQ(outcome.output, row.output) << row.script;
            EXPECT_EQ(outcome.error, row.error) << row.script;
        }
    }

  private:
    platform::TestMachine machine_;
};

TEST_F(ScriptRuns, ValuesOperatorsAndText) {
    RunCases({
        {"WScript.Echo 1, \"a\", True, False, Empty, 2.5", "1 a True False  2.5\n"},
        {"WScript.Echo 1 + 2 * 3, 7 / 2, 10 - 4, -3, 2 * 1.5", "7 3.5 6 -3 3\n"},
        {"WScript.Echo \"a\" & 1 & True & Empty & 0.25", "a1True0.25\n"},
        {"WScript.Echo \"1\" + 2, \"a\" + \"b\", Empty + 1", "3 ab 1\n"},
        {"WScript.Echo 1 < 2, \"a\" = \"a\", \"a\" < \"b\", 2 >= 3, 1 <> 1, 2 <= 2, 3 > 2",
         "True True True False False True True\n"},
        {"WScript.Echo Empty = 0, Empty = \"\", \"a\" = \"A\", 1 < \"1\"", "True True False True\n"},
        {"WScript.Echo True And False, True Or False, Not True, 6 And 3, 6 Or 3, Not 0",
         "False True False 2 7 -1\n"},
        {"WScript.Echo 32767 + 1, &HFF, &H8007000E, 2147483647 + 1", "32768 255 -2147024882 2147483648\n"},
        {"x = \"say \"\"hi\"\"\" : WScript.Echo x", "say \"hi\"\n"},
        {"dim A : a = 5 ' five\nREM nothing\nWSCRIPT.ECHO A, _\n  a + 1", "5 6\n"},
        {"x = 2\nIf x = 1 Then\n WScript.Echo \"one\"\nElseIf x = 2 Then\n WScript.Echo \"two\"\nElse\n"
         " WScript.Echo \"other\"\nEnd If",
         "two\n"},
        {"If 5 Then\nWScript.Echo \"a\"\nElse\nWScript.Echo \"b\"\nEnd If", "a\n"},
        {"If 1 > 0 Then WScript.Echo \"yes\" Else WScript.Echo \"no\"", "yes\n"},
        {"If Empty Then WScript.Echo \"yes\" : WScript.Echo \"again\" Else WScript.Echo \"no\"", "no\n"},
        {"If \"True\" Then WScript.Echo \"text\"", "text\n"},
        {"WScript.Echo", "\n"},
    });
}

TEST_F(ScriptRuns, ObjectsPropertiesMethodsAndCollections) {
    RunCases({
        {"Device.Name = \"Printer 1\" : WScript.Echo Device.Name, Device", "Printer 1 Printer 1\n"},
        {"WScript.Echo Device.Item(2), Device(3), Device.item(4)", "item2 item3 item4\n"},
        {"r = Device.Compute(1, 2) : WScript.Echo r, Device.Compute(3, 4) + 1", "12 35\n"},
        {"WScript.Echo Device.Run(1, 2, 3), Device.Count + 1", "3 4\n"},
        {"Set c = Device.Child : c.Name = \"inner\" : WScript.Echo Device.Child.Name", "inner\n"},
        {"Set x = Device : x.Name = \"same\" : WScript.Echo Device.Name, x Is Device, x Is Nothing",
         "same True False\n"},
        {"Set d = CreateObject(\"Fake.Device\") : d.Name = \"other\" : Set Device.Child = d\n"
         "WScript.Echo Device.Child.Name, Device.Child Is d",
         "other True\n"},
        {"Set n = Nothing : WScript.Echo n Is Nothing, Nothing Is Nothing", "True True\n"},
        {"Device.Name = \"dev\"\nFor Each i In Device.Items\n  WScript.Echo i\nNext\nWScript.Echo i.Name",
         "1\ntwo\ndev\ndev\n"},
        {"Device.Name = 7 : x = Device : WScript.Echo x + 1", "8\n"},
        {"Device(4) = \"four\" : WScript.Echo Device.Name", "four\n"},
        {"Set d = CreateObject(\"Fake.Device\") : d.Name = \"made\" : WScript.Echo d.Name, d Is Device",
         "made False\n"},
        {"WScript.Echo WScript.Arguments.Count, WScript.Arguments(0), WScript.Arguments.Item(1)",
         "2 first second\n"},
    });
}

TEST_F(ScriptRuns, FailedStatementsEndTheScriptWithTheirError) {
    RunCases({
        {"x = 1\nDevice.Nope", "",
         "C:\\t.vbs(2, 1) VBScript runtime error: Object doesn't support this property or method (Code: "
         "800A01B6)"},
        {"Device.Count", "",
         "C:\\t.vbs(1, 1) VBScript runtime error: Object doesn't support this property or method (Code: "
         "800A01B6)"},
        {"WScript.Echo \"a\"\nDevice.Fail\nWScript.Echo \"b\"", "a\n",
         "C:\\t.vbs(2, 1) Fake.Device: Device is offline (Code: 80004005)"},
        {"Device.Raise", "", "C:\\t.vbs(1, 1) Fake.Printer: Paper jam (Code: 80040201)"},
        {"x = 1 / 0", "", "C:\\t.vbs(1, 1) VBScript runtime error: Division by zero (Code: 800A000B)"},
        {"x = 0 / 0", "", "C:\\t.vbs(1, 1) VBScript runtime error: Overflow (Code: 800A0006)"},
        {"x = y.Name", "", "C:\\t.vbs(1, 1) VBScript runtime error: Object required (Code: 800A01A8)"},
        {"Set n = Nothing\nn.Name = 1", "",
         "C:\\t.vbs(2, 1) VBScript runtime error: Object variable not set (Code: 800A005B)"},
        {"Set x = 5", "", "C:\\t.vbs(1, 1) VBScript runtime error: Object required (Code: 800A01A8)"},
        {"x = \"a\" * 2", "", "C:\\t.vbs(1, 1) VBScript runtime error: Type mismatch (Code: 800A000D)"},
        {"x = Nope(1)", "", "C:\\t.vbs(1, 1) VBScript runtime error: Type mismatch (Code: 800A000D)"},
        {"r = Device.Compute(1)", "",
         "C:\\t.vbs(1, 1) VBScript runtime error: Wrong number of arguments or invalid property assignment "
         "(Code: 800A01C2)"},
        {"x = Device.Item(12)", "",
         "C:\\t.vbs(1, 1) VBScript runtime error: Subscript out of range (Code: 800A0009)"},
        {"Set o = CreateObject(\"No.Such.Class\")", "",
         "C:\\t.vbs(1, 1) VBScript runtime error: ActiveX component can't create object (Code: 800A01AD)"},
        {"Option Explicit\nDim a\na = 1\nb = 2", "",
         "C:\\t.vbs(4, 1) VBScript runtime error: Variable is undefined (Code: 800A01F4)"},
        {"Option Explicit\nWScript.Echo a & \"|\"\nDim a\nWScript.Echo c", "|\n",
         "C:\\t.vbs(4, 1) VBScript runtime error: Variable is undefined (Code: 800A01F4)"},
        {"For Each i In Device\nNext", "",
         "C:\\t.vbs(1, 1) VBScript runtime error: Object not a collection (Code: 800A01C3)"},
        {"x = 1\n  If Device.Nope Then\n    x = 2\n  End If", "",
         "C:\\t.vbs(2, 3) VBScript runtime error: Object doesn't support this property or method (Code: "
         "800A01B6)"},
        {"If True Then\n    x = 1 / 0\nEnd If", "",
         "C:\\t.vbs(2, 5) VBScript runtime error: Division by zero (Code: 800A000B)"},
        {"Device.Busy", "", "C:\\t.vbs(1, 1) VBScript runtime error: Access is denied. (Code: 80070005)"},
        {"x = 1 +", "", "C:\\t.vbs(1, 8) VBScript compilation error: Expected expression"},
    });
}

TEST_F(ScriptRuns, OnErrorResumeNextRecordsErrorsInErr) {
    RunCases({
        {"On Error Resume Next\nDevice.Fail\nWScript.Echo Err.Number, Err.Description, Err.Source\n"
         "Err.Clear\nWScript.Echo Err.Number, \"[\" & Err.Description & \"]\"",
         "-2147467259 Device is offline Fake.Device\n0 []\n"},
        {"On Error Resume Next\nx = 1 / 0\nWScript.Echo Err.Number, Err.Description, Err\nOn Error GoTo 0\n"
         "WScript.Echo Err.Number\nx = 1 / 0\nWScript.Echo \"not reached\"",
         "11 Division by zero 11\n0\n",
         "C:\\t.vbs(6, 1) VBScript runtime error: Division by zero (Code: 800A000B)"},
        {"On Error Resume Next\nIf Device.Nope Then\n  WScript.Echo \"inside\"\nEnd If\nWScript.Echo "
         "Err.Number",
         "inside\n438\n"},
        {"On Error Resume Next\nDevice.Raise\nWScript.Echo Err.Number, Err.Source\nDevice.Name = \"ok\"\n"
         "WScript.Echo Device.Name, Err.Number",
         "-2147220991 Fake.Printer\nok -2147220991\n"},
        {"On Error Resume Next\nSet o = CreateObject(\"No.Such\")\nWScript.Echo Err.Number", "429\n"},
        {"On Error Resume Next\nFor Each i In Device.Items\n  x = i.Name\n  WScript.Echo \"after\", "
         "Err.Number\n"
         "  Err.Clear\nNext",
         "after 424\nafter 424\nafter 0\n"},
        {"On Error Resume Next\nDevice.Busy\nWScript.Echo Err.Number, Err.Description",
         "-2147024891 Access is denied.\n"},
        {"On Error Resume Next\nErr.Number = 9\nWScript.Echo Err.Number, Err.Description & \"|\"", "9 |\n"},
    });
}

// A variable written alone as an argument is passed by reference: what the object writes there is the
// variable's new value. An expression, a name in parentheses of its own and a property are passed by
// value.
TEST_F(ScriptRuns, VariablesPassedByReference) {
    RunCases({
        {"n = 4 : Device.Bump n : WScript.Echo n", "5\n"},
        {"n = 4 : x = Device.Bump(n, n) : WScript.Echo n, \"[\" & x & \"]\"", "6 []\n"},
        {"n = 4 : Call Device.Bump(n) : WScript.Echo n", "5\n"},
        {"n = \"9\" : Device.Bump n, (n), n + 1 : WScript.Echo n", "10\n"},
        {"n = 4 : Device.Bump(n) : WScript.Echo n", "4\n"},
        {"Device.Bump fresh : WScript.Echo fresh", "1\n"},
        {"Device.Name = 3 : Device.Bump Device.Name : WScript.Echo Device.Name", "3\n"},
        {"n = 1 : If True Then Device.Bump n\nWScript.Echo n", "2\n"},
        {"Option Explicit\nDim a\nDevice.Bump a : WScript.Echo a\nDevice.Bump b", "1\n",
         "C:\\t.vbs(4, 1) VBScript runtime error: Variable is undefined (Code: 800A01F4)"},
        {"n = \"many\" : Device.Bump n", "",
         "C:\\t.vbs(1, 14) VBScript runtime error: Type mismatch (Code: 800A000D)"},
        {"n = 7 : WScript.Echo n, Device.Item(n)", "7 item7\n"},
        {"Set d = Device : Set e = CreateObject(\"Fake.Device\") : e.Name = \"e\"\n"
         "Set Device.Child = e : WScript.Echo d.Child.Name, e.Name",
         "e e\n"},
    });
}

TEST_F(ScriptRuns, QuitEndsTheScriptWithItsCode) {
    Outcome outcome = Run("WScript.Echo \"a\"\nIf True Then WScript.Quit 3\nWScript.Echo \"b\"");
    EXPECT_EQ(outcome.output, "a\n");
    EXPECT_TRUE(outcome.quit);
    EXPECT_EQ(outcome.exitCode, 3);
    outcome = Run("On Error Resume Next\nWScript.Quit\nWScript.Echo \"b\"");
    EXPECT_TRUE(outcome.quit);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output, "");
    outcome = Run("WScript.Echo \"done\"");
    EXPECT_FALSE(outcome.quit);
    EXPECT_EQ(outcome.exitCode, 0);
}

// On an Italian machine numbers are written with the decimal comma, as VariantChangeType writes them.
class ItalianScriptRuns : public ScriptRuns {
  protected:
    ItalianScriptRuns() : ScriptRuns(platform::MachineSettings::Defaults(platform::OsKind::WindowsXP)) {}
};

TEST_F(ItalianScriptRuns, NumbersFollowTheUsersLanguage) {
    RunCases({{"WScript.Echo 2.5, 7 / 2 & \"\", True", "2,5 3,5 True\n"}});
}

struct CallCase {
    const char* script;
    std::vector<std::string> calls;
};

TEST_F(ScriptRuns, CallsReachTheObjectAsWindowsPassesThem) {
    const CallCase cases[] = {
        {"Device.Name = \"x\"", {"Name put \"x\" named -3"}},
        {"Set Device.Child = Nothing", {"Child putref Nothing named -3"}},
        {"Device.Run 1, \"a\"", {"Run method \"a\",I2:1"}},
        {"Device.Run(1)", {"Run method I2:1"}},
        {"Device.Run (1), 2", {"Run method I2:2,I2:1"}},
        {"Call Device.Run(1, 2.5)", {"Run method R8:2.5,I2:1"}},
        {"Device.Run 1, , 3", {"Run method I2:3,Error:-2147352572,I2:1"}},
        {"Device.Run", {"Run method"}},
        {"r = Device.Compute(1, 2)", {"Compute method|get I2:2,I2:1"}},
        {"x = Device(3)", {"(default) method|get I2:3"}},
        {"x = Device", {"(default) method|get"}},
        {"Device(4) = \"v\"", {"(default) put \"v\",I2:4 named -3"}},
        {"Device.Item(5) = True", {"Item put True,I2:5 named -3"}},
        {"x = Device.Count", {"Count method|get"}},
        {"a = 1 : Device.Run a, (a), a + 1", {"Run method I2:2,I2:1,ByRef I2:1"}},
        {"Device.Run(a)", {"Run method Empty"}},
        {"Call Device.Run(a)", {"Run method ByRef Empty"}},
        {"x = Device.Run(WScript, Err, a)", {"Run method|get ByRef Empty,Object,Object"}},
        {"Device.Run Device.Count", {"Count method|get", "Run method I2:3"}},
        {"a = 2 : x = Device(a) : Device.Item(a) = a",
         {"(default) method|get ByRef I2:2", "Item put I2:2,ByRef I2:2 named -3"}},
        {"For Each i In Device.Items : Next",
         {"Items method|get", "_NewEnum method|get", "Next 1", "Next 1", "Next 1", "Next 1"}},
    };
    for (const CallCase& row : cases) {
        CallLog().clear();
        Outcome outcome = Run(row.script);
        EXPECT_EQ(outcome.error, "") << row.script;
        EXPECT_EQ(CallLog(), row.calls) << row.script;
    }
}

}  // namespace
}  // namespace vbscript
