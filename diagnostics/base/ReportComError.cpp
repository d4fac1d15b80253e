#include "ReportComError.h"

#include <cstdio>
#include <optional>
#include <string>

#include "AnsiText.h"
#include "SetComErrorInfo.h"
#include "windows.h"

namespace diagnostics {

namespace {

// The text FormatMessageA allocates, freed with LocalFree.
class SystemText {
  public:
    explicit SystemText(HRESULT hr) {
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), LANG_USER_DEFAULT, reinterpret_cast<LPSTR>(&text_), 0,
                       nullptr);
    }
    ~SystemText() {
        if (text_) LocalFree(text_);
    }
    SystemText(const SystemText&) = delete;
    SystemText& operator=(const SystemText&) = delete;
    LPCSTR text() const { return text_; }

  private:
    LPSTR text_ = nullptr;
};

}  // namespace

void ReportComError(LPCSTR description, HRESULT hr, const CLSID& clsid, const IID& iid, LPCSTR sourceFile,
                    int line, LPCSTR timeStamp) {
    std::optional<SystemText> systemText;
    if (!description) {
        if (HRESULT_FACILITY(hr) == FACILITY_ITF) return;
        systemText.emplace(hr);
        description = systemText->text();
        if (!description) return;
    }
    if (*description == '\0') return;

    std::string text = description;
    char code[32];
    std::snprintf(code, sizeof code, " [0x%08X] ", static_cast<unsigned>(hr));
    text += code;
    if (sourceFile) text += sourceFile;
    if (line != 0) {
        text += ":" + std::to_string(line) + " ";
        if (timeStamp) text += timeStamp;
    }
    std::u16string wide = framework::WideFromAnsi(text);
    SetComErrorInfo(clsid, wide.c_str(), 0, nullptr, iid, hr, nullptr);
}

}  // namespace diagnostics
