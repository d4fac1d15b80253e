// register_typelib: registers type library files as the product's installer does, by loading each one
// with LoadTypeLibEx and REGKIND_REGISTER.
//
//     register_typelib <file.tlb>...
//
// Prints one line per file with the loader's result; the exit code is 0 when every file registered, else 1.
#include <cstdio>

#include "ole2.h"
#include "oleauto.h"
#include "program_text.h"
#include "windows.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("Usage: register_typelib <file.tlb>...\n");
        return 1;
    }
    int exitCode = 0;
    for (int index = 1; index < argc; ++index) {
        std::u16string path = platform::programs::WideFromAnsi(argv[index]);
        ITypeLib* library = nullptr;
        HRESULT result = LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &library);
        std::printf("%s %08X\n", argv[index], static_cast<unsigned>(result));
        if (library) library->Release();
        if (FAILED(result)) exitCode = 1;
    }
    return exitCode;
}
