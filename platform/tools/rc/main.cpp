// rc: compiles a resource script into a C++ source that registers the resources for the program.
//   rc [-I folder]... [-D name[=value]]... -o output.cpp script.rc
// An error in the script is reported as "file(line): message" on standard error, with exit code 1.
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/tools/rc/compiler.h"

namespace {

int Usage() {
    std::cerr << "usage: rc [-I folder]... [-D name[=value]]... -o output.cpp script.rc\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    rc::ReaderOptions options;
    std::string output;
    std::string script;
    for (int index = 1; index < argc; ++index) {
        std::string argument = argv[index];
        if ((argument == "-I" || argument == "-D" || argument == "-o") && index + 1 < argc) {
            std::string value = argv[++index];
            if (argument == "-I") {
                options.includeFolders.emplace_back(value);
            } else if (argument == "-o") {
                output = value;
            } else {
                size_t equals = value.find('=');
                options.definitions[value.substr(0, equals)] =
                    equals == std::string::npos ? "1" : value.substr(equals + 1);
            }
        } else if (!argument.empty() && argument[0] != '-' && script.empty()) {
            script = argument;
        } else {
            return Usage();
        }
    }
    if (script.empty() || output.empty()) return Usage();

    std::ostringstream source;
    try {
        rc::WriteRegistrationSource(rc::CompileScript(script, options), script, source);
    } catch (const rc::CompileError& error) {
        std::cerr << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "rc: " << script << ": " << error.what() << "\n";
        return 1;
    }
    std::ofstream file(output, std::ios::binary);
    file << source.str();
    file.close();
    if (!file) {
        std::cerr << "rc: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}
