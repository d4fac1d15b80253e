#include "ReportFile.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "AnsiText.h"
#include "CComModule.h"
#include "HeaderConstants.h"

namespace diagnostics {

namespace {

constexpr int kStringLength = 1024;

std::string LoadText(UINT id) {
    char text[kStringLength] = "";
    int length = LoadStringA(_Module.GetResourceInstance(), id, text, kStringLength);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string FormatText(const std::string& format, va_list arguments) {
    va_list measuring;
    va_copy(measuring, arguments);
    int length = std::vsnprintf(nullptr, 0, format.c_str(), measuring);
    va_end(measuring);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format.c_str(), arguments);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

ReportFile::ReportFile(BSTR fileName) {
    std::string path = framework::AnsiFromWide(fileName);
    if (path.empty()) return;
    m_file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (m_file != INVALID_HANDLE_VALUE) SetFilePointer(m_file, 0, nullptr, FILE_END);
}

ReportFile::~ReportFile() { Close(); }

void ReportFile::Heading(UINT textId) {
    if (!IsOpen()) return;
    WriteLine(std::string(kHeadingOpen) + LoadText(textId) + kHeadingClose);
}

void ReportFile::Line(UINT formatId, ...) {
    if (!IsOpen()) return;
    va_list arguments;
    va_start(arguments, formatId);
    std::string text = FormatText(LoadText(formatId), arguments);
    va_end(arguments);
    WriteLine(text);
}

void ReportFile::End() {
    if (!IsOpen()) return;
    WriteLine("");
    Close();
}

void ReportFile::WriteLine(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + 2);
    for (char character : text) {
        if (character == '\n') bytes += '\r';
        bytes += character;
    }
    bytes += "\r\n";
    DWORD written = 0;
    WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void ReportFile::Close() {
    if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
}

}  // namespace diagnostics
