// The classes registered under HKEY_CLASSES_ROOT: CLSIDFromProgID and ProgIDFromCLSID, and the reads
// of string values that object creation shares. What the registry answered is kept while neither the
// machine's registry nor its faults to inject have changed, in any process: a program that creates
// objects of a class again and again then reads its registration once, as Windows keeps what it
// learned of a class.
#include "platform/advapi32/registry_key.h"
#include "platform/machine/kernel/counted_answers.h"
#include "platform/machine/guid_text.h"
#include "platform/machine/text.h"
#include "platform/ole32/ole32_internal.h"
#include "windows.h"

namespace {

using ClassesRootAnswers = platform::CountedAnswers<std::optional<std::string>, 2>;

// Never destroyed: static destructors of other libraries may still create objects.
ClassesRootAnswers& Answers() {
    static ClassesRootAnswers* answers =
        new ClassesRootAnswers({platform::SharedCounter::Registry, platform::SharedCounter::Faults});
    return *answers;
}

std::optional<std::string> ReadClassesRootString(const std::string& keyPath, const char* name) {
    platform::RegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, keyPath) != ERROR_SUCCESS) return std::nullopt;
    return key.String(name);
}

}  // namespace

namespace platform::com {

std::optional<std::string> ClassesRootString(const std::string& keyPath, const char* name) {
    Machine* machine = Machine::CurrentOrNull();
    if (!machine) return ReadClassesRootString(keyPath, name);
    ClassesRootAnswers& answers = Answers();
    // A null name and an empty one both read the default value.
    std::string key = keyPath + '\0' + (name ? name : "");
    if (std::optional<std::optional<std::string>> known = answers.Find(*machine, key)) return *known;
    ClassesRootAnswers::Generations before = answers.Read(*machine);
    std::optional<std::string> answer = ReadClassesRootString(keyPath, name);
    answers.Keep(*machine, before, key, answer);
    return answer;
}

}  // namespace platform::com

namespace {

std::optional<CLSID> ClassOfProgID(const std::string& progID) {
    std::optional<std::string> text = platform::com::ClassesRootString(progID + "\\CLSID");
    if (!text) return std::nullopt;
    return platform::ParseGuid(*text);
}

}  // namespace

// A version-independent ProgID without a CLSID of its own names its current version under CurVer.
STDAPI CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (!lpszProgID || !lpclsid) return E_INVALIDARG;
    *lpclsid = CLSID_NULL;
    std::string progID = platform::AnsiFromWide(lpszProgID);
    if (progID.empty()) return CO_E_CLASSSTRING;
    std::optional<CLSID> clsid = ClassOfProgID(progID);
    if (!clsid) {
        std::optional<std::string> currentVersion = platform::com::ClassesRootString(progID + "\\CurVer");
        if (currentVersion && !currentVersion->empty()) clsid = ClassOfProgID(*currentVersion);
    }
    if (!clsid) return CO_E_CLASSSTRING;
    *lpclsid = *clsid;
    return S_OK;
}

STDAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
    if (!lplpszProgID) return E_INVALIDARG;
    *lplpszProgID = nullptr;
    std::optional<std::string> progID =
        platform::com::ClassesRootString("CLSID\\" + platform::GuidText(clsid) + "\\ProgID");
    if (!progID || progID->empty()) return REGDB_E_CLASSNOTREG;
    *lplpszProgID = platform::com::TaskMemoryString(platform::WideFromAnsi(*progID));
    return *lplpszProgID ? S_OK : E_OUTOFMEMORY;
}
