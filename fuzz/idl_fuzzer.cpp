// The IDL compiler over a file given as bytes: an error in the file is a CompileError, a library that
// names what no library declares is refused with std::runtime_error, and the type library built from
// what compiles reads back from its file as it was written.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>

#include "fuzz/fuzz_support.h"
#include "platform/tools/midl/header_writer.h"
#include "platform/tools/midl/idl_parser.h"
#include "platform/tools/midl/type_library_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::TemporaryFolder folder;
    std::filesystem::path idl = folder.Write("library.idl", fuzz::AsText(data, size));
    midl::ReaderOptions options;
    midl::IdlFile file;
    try {
        file = midl::ParseIdl(idl, options);
    } catch (const midl::CompileError&) {
        return 0;
    }
    std::ostringstream header;
    midl::WriteHeader(file, "library.idl", header);
    if (!file.library) return 0;
    platform::typelib::TypeLibrary library;
    try {
        library = midl::BuildTypeLibrary(file);
    } catch (const std::runtime_error&) {
        return 0;
    }
    platform::typelib::Bytes bytes = platform::typelib::Serialize(library);
    std::string error;
    std::optional<platform::typelib::TypeLibrary> read = platform::typelib::Deserialize(bytes, &error);
    if (!read) fuzz::Broken("the type library written does not read back: " + error);
    platform::typelib::Bytes again = platform::typelib::Serialize(*read);
    if (again != bytes)
        fuzz::Mismatch("the type library read back writes otherwise",
                       std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                       std::string_view(reinterpret_cast<const char*>(again.data()), again.size()));
    return 0;
}
