// The classes registered under HKEY_CLASSES_ROOT: CLSIDFromProgID and ProgIDFromCLSID, and the reads
// of string values that object creation shares. What the registry answered is kept while neither the
// machine's registry nor its faults to inject have changed, in any process: a program that creates
// objects of a class again and again then reads its registration once, as Windows keeps what it
// learned of a class.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <unordered_map>

#include "platform/advapi32/registry_key.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"
#include "platform/ole32/ole32_internal.h"
#include "windows.h"

namespace {

class ClassesRootAnswers {
  public:
    struct Generations {
        std::uint64_t registry = 0;
        std::uint64_t faults = 0;
        bool operator==(const Generations&) const = default;
    };
    static Generations Read(platform::Machine& machine) {
        return {machine.counters().Read(platform::SharedCounter::Registry),
                machine.counters().Read(platform::SharedCounter::Faults)};
    }

    // Never destroyed: static destructors of other libraries may still create objects.
    static ClassesRootAnswers& Instance() {
        static ClassesRootAnswers* answers = new ClassesRootAnswers;
        return *answers;
    }

    // The outer optional tells whether the answer is known; the inner one is the answer.
    std::optional<std::optional<std::string>> Find(platform::Machine& machine, const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        Refresh(machine);
        auto found = answers_.find(key);
        if (found == answers_.end()) return std::nullopt;
        return found->second;
    }

    // Keeps an answer read in the generations read before it was.
    void Keep(platform::Machine& machine, Generations before, const std::string& key,
              std::optional<std::string> answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        Refresh(machine);
        if (generations_ != before) return;
        if (answers_.size() >= kMostAnswers) answers_.clear();
        answers_[key] = std::move(answer);
    }

  private:
    // Forgets every answer when the machine or a generation moved on.
    void Refresh(platform::Machine& machine) {
        Generations now = Read(machine);
        if (&machine == machine_ && machine.folder() == folder_ && now == generations_) return;
        answers_.clear();
        machine_ = &machine;
        folder_ = machine.folder();
        generations_ = now;
    }

    static constexpr std::size_t kMostAnswers = 4096;
    std::mutex mutex_;
    const platform::Machine* machine_ = nullptr;
    std::filesystem::path folder_;
    Generations generations_;
    std::unordered_map<std::string, std::optional<std::string>> answers_;
};

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
    ClassesRootAnswers& answers = ClassesRootAnswers::Instance();
    // A null name and an empty one both read the default value.
    std::string key = keyPath + '\0' + (name ? name : "");
    if (std::optional<std::optional<std::string>> known = answers.Find(*machine, key)) return *known;
    ClassesRootAnswers::Generations before = ClassesRootAnswers::Read(*machine);
    std::optional<std::string> answer = ReadClassesRootString(keyPath, name);
    answers.Keep(*machine, before, key, answer);
    return answer;
}

}  // namespace platform::com

namespace {

std::optional<CLSID> ClassOfProgID(const std::string& progID) {
    std::optional<std::string> text = platform::com::ClassesRootString(progID + "\\CLSID");
    if (!text) return std::nullopt;
    return platform::com::ParseGuid(platform::WideFromAnsi(*text));
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
        platform::com::ClassesRootString("CLSID\\" + platform::com::GuidText(clsid) + "\\ProgID");
    if (!progID || progID->empty()) return REGDB_E_CLASSNOTREG;
    *lplpszProgID = platform::com::TaskMemoryString(platform::WideFromAnsi(*progID));
    return *lplpszProgID ? S_OK : E_OUTOFMEMORY;
}
