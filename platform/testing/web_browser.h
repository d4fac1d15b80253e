// The web browser of a test's machine: the outside program web_browser installed and registered as the
// handler of http and https addresses, and the addresses it was asked to open.
#pragma once

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"

namespace platform {

// Where the browser is installed: its program, and the log of the addresses it opened.
inline constexpr char kWebBrowserProgram[] = "C:\\Program Files\\Web Browser\\browser.exe";
inline constexpr char kWebBrowserLog[] = "C:\\Program Files\\Web Browser\\browser.log";

// Installs the browser (the built program web_browser, which the test must depend on) and registers it
// under HKEY_CLASSES_ROOT\http and \https: "URL Protocol" and shell\open\command.
void InstallWebBrowser(TestMachine& machine);
// The addresses the browser was started with, in order.
std::vector<std::string> WebBrowserAddresses(TestMachine& machine);

}  // namespace platform
