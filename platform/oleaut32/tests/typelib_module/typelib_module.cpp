// A library of the system that carries the widget's type library as its resource TYPELIB 1, as a COM
// server does, for LoadTypeLib to read through the library's stub.
extern "C" int TypeLibraryModuleAnswer() {
    return 42;
}
