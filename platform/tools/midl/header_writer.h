// Writes the C++ header of an .idl file: the interfaces as abstract classes without a virtual
// destructor (vtable slot N is the Nth virtual function), the enums, the cpp_quote text, and the IID_,
// DIID_, CLSID_ and LIBID_ constants.
#pragma once

#include <ostream>
#include <string>

#include "platform/tools/midl/idl_file.h"

namespace midl {

void WriteHeader(const IdlFile& file, const std::string& idlName, std::ostream& out);

}  // namespace midl
