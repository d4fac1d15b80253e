// The export table of a library of the system. A library declares its exports once, in a .def file of
// "NAME @ORDINAL" lines; the build (cmake/SystemModules.cmake) generates from it a source that defines the
// table under kModuleExportsSymbol, and GetProcAddress answers, by name or by ordinal, only what it lists.
// The header names no Windows type, so that the generated source can declare each exported function
// without meeting another declaration of it.
#pragma once

namespace platform {

struct ModuleExport {
    const char* name;  // null in the entry that ends the table
    unsigned short ordinal;  // 0 for an export without one
    void (*address)();
};

inline constexpr char kModuleExportsSymbol[] = "winmodule_exports";

}  // namespace platform
