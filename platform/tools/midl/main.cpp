// midl: compiles an .idl file into a C++ header and a type library.
//   midl [/I folder]... [/D name[=value]]... [/h header.h] [/tlb library.tlb] [/register source.cpp] file.idl
// Options may also start with '-'. /register writes a C++ source that registers the type library as the
// program's resource TYPELIB 1. An error in the file is reported as "file(line): message" on standard
// error, with exit code 1.
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/tools/midl/header_writer.h"
#include "platform/tools/midl/idl_parser.h"
#include "platform/tools/midl/type_library_builder.h"
#include "platform/tools/rc/compiler.h"

namespace {

int Usage() {
    std::cerr << "usage: midl [/I folder]... [/D name[=value]]... [/h header.h] [/tlb library.tlb] "
                 "[/register source.cpp] file.idl\n";
    return 2;
}

bool WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream file(path, std::ios::binary);
    file << contents;
    file.close();
    if (!file) std::cerr << "midl: cannot write " << path << "\n";
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    midl::ReaderOptions options;
    std::string header;
    std::string library;
    std::string registration;
    std::string idl;
    for (int index = 1; index < argc; ++index) {
        std::string argument = argv[index];
        // An argument starting with '/' is an option only when it names one, so that host paths work.
        std::string option =
            argument.size() > 1 && (argument[0] == '/' || argument[0] == '-') ? argument.substr(1) : "";
        bool known =
            option == "I" || option == "D" || option == "h" || option == "tlb" || option == "register";
        if (known && index + 1 < argc) {
            std::string value = argv[++index];
            if (option == "I") {
                options.includeFolders.emplace_back(value);
            } else if (option == "h") {
                header = value;
            } else if (option == "tlb") {
                library = value;
            } else if (option == "register") {
                registration = value;
            } else {
                size_t equals = value.find('=');
                options.definitions[value.substr(0, equals)] =
                    equals == std::string::npos ? "1" : value.substr(equals + 1);
            }
        } else if ((!known && argument[0] != '-') && idl.empty()) {
            idl = argument;
        } else {
            return Usage();
        }
    }
    if (idl.empty() || (header.empty() && library.empty() && registration.empty())) return Usage();

    std::ostringstream headerText;
    platform::typelib::Bytes bytes;
    try {
        midl::IdlFile file = midl::ParseIdl(idl, options);
        midl::WriteHeader(file, std::filesystem::path(idl).filename().string(), headerText);
        if (!library.empty() || !registration.empty())
            bytes = platform::typelib::Serialize(midl::BuildTypeLibrary(file));
    } catch (const midl::CompileError& error) {
        std::cerr << error.what() << "\n";
        return 1;
    } catch (const std::runtime_error& error) {
        std::cerr << idl << ": " << error.what() << "\n";
        return 1;
    }
    if (!header.empty() && !WriteFile(header, headerText.str())) return 1;
    if (!library.empty() && !WriteFile(library, std::string(bytes.begin(), bytes.end()))) return 1;
    if (!registration.empty()) {
        std::ostringstream source;
        rc::WriteRegistrationSource({{rc::NameOrId::Name("TYPELIB"), rc::NameOrId::Id(1), 0, bytes}}, idl,
                                    source);
        if (!WriteFile(registration, source.str())) return 1;
    }
    return 0;
}
