// The resource compiler over a script given as bytes: an error in the script is a CompileError, and
// what compiles is written out as the registration source.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "fuzz/fuzz_support.h"
#include "platform/tools/rc/compiler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::TemporaryFolder folder;
    std::filesystem::path script = folder.Write("script.rc", fuzz::AsText(data, size));
    rc::ReaderOptions options;
    std::vector<rc::CompiledResource> resources;
    try {
        resources = rc::CompileScript(script, options);
    } catch (const rc::CompileError&) {
        return 0;
    }
    std::ostringstream source;
    rc::WriteRegistrationSource(resources, "script.rc", source);
    return 0;
}
