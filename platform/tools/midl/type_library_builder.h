// Puts together the type library of an .idl file: the types declared in its library block, in order,
// and every type of the file they name (a base interface, a parameter's type, a coclass's interface),
// each added after the first type that names it; types of imported libraries are named by reference.
#pragma once

#include <stdexcept>

#include "platform/tools/midl/idl_file.h"

namespace midl {

// Throws std::runtime_error when the file has no library or names a type no library declares.
platform::typelib::TypeLibrary BuildTypeLibrary(const IdlFile& file);

}  // namespace midl
