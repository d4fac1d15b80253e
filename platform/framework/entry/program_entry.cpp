// The entry point of a program built on the framework: runs the program's application object.
#include "framework.h"

int main() {
    return AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(framework::ArgumentsOf(GetCommandLineA())),
                      SW_SHOWDEFAULT);
}
