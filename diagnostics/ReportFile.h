// One section of a plain-text report, as every WriteInfo that writes appends it: the file is opened for
// appending (and created when missing), the heading is written in square brackets, then one line per
// datum from a string-table format, then an empty line, and the file is closed, so that the sections of
// children called afterwards follow in the same file.
//
//   diagnostics::ReportFile report(FileName);
//   report.Heading(IDS_VALUES);
//   report.Line(IDS_SUBKEY_NAME, name);
//   report.End();
//
// Lines end in CR LF, as a text stream writes them (a line feed inside a text becomes CR LF too), and each
// line is written out as soon as it ends. A file that cannot be opened makes every write do nothing.
// The texts come from the string table of the module's resource instance.
#pragma once

#include <string_view>

#include "oleauto.h"
#include "windows.h"

namespace diagnostics {

class ReportFile {
  public:
    explicit ReportFile(BSTR fileName);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }

    // "[" + the string-table text + "]" and a line end.
    void Heading(UINT textId);
    // The string-table format filled with the arguments as printf fills it, and a line end.
    void Line(UINT formatId, ...);
    // The empty line that ends the section; closes the file.
    void End();

  private:
    void WriteLine(std::string_view text);
    void Close();

    HANDLE m_file = INVALID_HANDLE_VALUE;
};

}  // namespace diagnostics
