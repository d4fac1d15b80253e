// The entry point of a program built on the framework: runs the program's application object.
#include "CWinApp.h"

int main() {
    // ExitProcess hands the whole 32-bit code to the program that started this one.
    ExitProcess(AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(framework::ArgumentsOf(GetCommandLineA())),
                      SW_SHOWDEFAULT));
}
