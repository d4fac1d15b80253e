// Reads an .idl file: the preprocessor of the shared source reader, then the declarations the
// system's COM servers use. The built-in base files (oaidl.idl, ocidl.idl, unknwn.idl, wtypes.idl,
// objidl.idl) and the standard OLE library (stdole2.tlb) are known without files.
#pragma once

#include <filesystem>

#include "platform/tools/midl/idl_file.h"
#include "platform/tools/source_reader/preprocessor.h"

namespace midl {

using platform::source::CompileError;
using platform::source::ReaderOptions;

// Throws CompileError ("file(line): message") on the first error.
IdlFile ParseIdl(const std::filesystem::path& file, const ReaderOptions& options);

}  // namespace midl
