#include "platform/testing/web_browser.h"

namespace platform {

void InstallWebBrowser(TestMachine& machine) {
    machine.Program(kWebBrowserProgram, "web_browser");
    std::string registry = "REGEDIT4\r\n";
    for (const char* scheme : {"http", "https"}) {
        registry += std::string("[HKEY_CLASSES_ROOT\\") + scheme + "]\r\n@=\"URL:" + scheme +
                    "\"\r\n\"URL Protocol\"=\"\"\r\n";
        registry +=
            std::string("[HKEY_CLASSES_ROOT\\") + scheme +
            "\\shell\\open\\command]\r\n@=\"\\\"C:\\\\Program Files\\\\Web Browser\\\\browser.exe\\\" "
            "\\\"%1\\\"\"\r\n";
    }
    machine.Registry(registry);
}

std::vector<std::string> WebBrowserAddresses(TestMachine& machine) {
    std::vector<std::string> addresses;
    if (!machine.Exists(kWebBrowserLog)) return addresses;
    std::string log = machine.ReadFile(kWebBrowserLog);
    for (std::size_t start = 0; start < log.size();) {
        std::size_t end = log.find("\r\n", start);
        if (end == std::string::npos) end = log.size();
        addresses.push_back(log.substr(start, end - start));
        start = end + 2;
    }
    return addresses;
}

}  // namespace platform
