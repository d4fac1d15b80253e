// web_browser: the web browser a machine's user has, as the system meets it: the program registered
// for the http and https addresses. Each run appends the address it was asked to open (its first
// argument) as one line to the file beside it named like it with ".log" in place of its extension, and
// ends, so that a test or a person can read which pages were opened.
#include <string>

#include "outside/common/append_line.h"
#include "windows.h"

int main(int argc, char** argv) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string log = module;
    log = log.substr(0, log.find_last_of('.')) + ".log";
    outside::AppendLine(log, argc > 1 ? argv[1] : "");
    return 0;
}
