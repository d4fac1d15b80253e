// The resource compiler: a script's statements turned into resources in their binary forms, and the C++
// source that registers them for the program's module.
#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

#include "platform/resource_formats/resource_formats.h"
#include "platform/tools/rc/script_reader.h"

namespace rc {

using platform::resources::Bytes;
using platform::resources::NameOrId;

struct CompiledResource {
    NameOrId type;
    NameOrId name;
    std::uint16_t language = 0;
    Bytes data;
};

// Throws CompileError on the first error in the script.
std::vector<CompiledResource> CompileScript(const std::filesystem::path& script,
                                            const ReaderOptions& options);

// Writes a C++ source holding the resources' bytes and a static registration of them for the program.
void WriteRegistrationSource(const std::vector<CompiledResource>& resources, const std::string& scriptName,
                             std::ostream& out);

}  // namespace rc
