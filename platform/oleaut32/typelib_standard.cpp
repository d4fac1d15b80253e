// The standard OLE library, stdole 2.0: the declarations of IUnknown and IDispatch that every dual
// interface and dispatch interface inherits, and of IEnumVARIANT, which collections hand out; built in
// rather than read from a file, as the one library every process has.
#include "platform/oleaut32/typelib_objects.h"

namespace platform::automation {

namespace {

using typelib::Function;
using typelib::Parameter;
using typelib::TypeDescription;
using typelib::VarType;

Parameter In(std::string name, TypeDescription type) {
    return {std::move(name), std::move(type), typelib::parameter_flags::kIn, std::nullopt};
}

Parameter Out(std::string name, TypeDescription type) {
    return {std::move(name), std::move(type), typelib::parameter_flags::kOut, std::nullopt};
}

TypeDescription PointerTo(VarType type) {
    return TypeDescription::PointerTo(TypeDescription::Base(type));
}

// A pointer to a pointer of no type.
TypeDescription PointerToPointer() {
    return TypeDescription::PointerTo(PointerTo(VarType::Void));
}

// A restricted member with the member id the standard library gives it.
Function Member(std::string name, std::int32_t memberId, std::int32_t slot, VarType returnType,
                std::vector<Parameter> parameters) {
    Function function;
    function.name = std::move(name);
    function.memberId = memberId;
    function.flags = typelib::function_flags::kRestricted;
    function.vtableSlot = slot;
    function.returnType = TypeDescription::Base(returnType);
    function.parameters = std::move(parameters);
    return function;
}

typelib::TypeLibrary StandardModel() {
    typelib::TypeLibrary library;
    library.name = "stdole";
    library.libraryId = LIBID_StandardOle;
    library.majorVersion = 2;
    library.minorVersion = 0;
    library.helpString = "OLE Automation";

    typelib::TypeDefinition unknown;
    unknown.kind = typelib::TypeKind::Interface;
    unknown.name = "IUnknown";
    unknown.guid = IID_IUnknown;
    unknown.flags = typelib::type_flags::kHidden;
    unknown.vtableSlots = 3;
    unknown.functions = {
        Member("QueryInterface", 0x60000000, 0, VarType::HResult,
               {In("riid", PointerTo(VarType::Void)), Out("ppvObj", PointerToPointer())}),
        Member("AddRef", 0x60000001, 1, VarType::UI4, {}),
        Member("Release", 0x60000002, 2, VarType::UI4, {}),
    };

    typelib::TypeDefinition dispatch;
    dispatch.kind = typelib::TypeKind::Interface;
    dispatch.name = "IDispatch";
    dispatch.guid = IID_IDispatch;
    dispatch.flags = typelib::type_flags::kHidden;
    dispatch.base = typelib::TypeReference::Local(0);
    dispatch.vtableSlots = 7;
    dispatch.functions = {
        Member("GetTypeInfoCount", 0x60010000, 3, VarType::HResult,
               {Out("pctinfo", PointerTo(VarType::UInt))}),
        Member("GetTypeInfo", 0x60010001, 4, VarType::HResult,
               {In("itinfo", TypeDescription::Base(VarType::UInt)),
                In("lcid", TypeDescription::Base(VarType::UI4)), Out("pptinfo", PointerToPointer())}),
        Member("GetIDsOfNames", 0x60010002, 5, VarType::HResult,
               {In("riid", PointerTo(VarType::Void)), In("rgszNames", PointerToPointer()),
                In("cNames", TypeDescription::Base(VarType::UInt)),
                In("lcid", TypeDescription::Base(VarType::UI4)), Out("rgdispid", PointerTo(VarType::I4))}),
        Member("Invoke", 0x60010003, 6, VarType::HResult,
               {In("dispidMember", TypeDescription::Base(VarType::I4)), In("riid", PointerTo(VarType::Void)),
                In("lcid", TypeDescription::Base(VarType::UI4)),
                In("wFlags", TypeDescription::Base(VarType::UI2)),
                In("pdispparams", PointerTo(VarType::Void)), Out("pvarResult", PointerTo(VarType::Variant)),
                Out("pexcepinfo", PointerTo(VarType::Void)), Out("puArgErr", PointerTo(VarType::UInt))}),
    };
    typelib::TypeDefinition enumerator;
    enumerator.kind = typelib::TypeKind::Interface;
    enumerator.name = "IEnumVARIANT";
    enumerator.guid = IID_IEnumVARIANT;
    enumerator.flags = typelib::type_flags::kHidden;
    enumerator.base = typelib::TypeReference::Local(0);
    enumerator.vtableSlots = 7;
    enumerator.functions = {
        Member("Next", 0x60010000, 3, VarType::HResult,
               {In("celt", TypeDescription::Base(VarType::UI4)), In("rgvar", PointerTo(VarType::Variant)),
                Out("pceltFetched", PointerTo(VarType::UI4))}),
        Member("Skip", 0x60010001, 4, VarType::HResult, {In("celt", TypeDescription::Base(VarType::UI4))}),
        Member("Reset", 0x60010002, 5, VarType::HResult, {}),
        Member("Clone", 0x60010003, 6, VarType::HResult, {Out("ppenum", PointerToPointer())}),
    };
    library.types = {std::move(unknown), std::move(dispatch), std::move(enumerator)};
    return library;
}

}  // namespace

// Built on first use and held for the life of the process.
TypeLibraryObject& StandardLibrary() {
    static TypeLibraryObject* library = TypeLibraryObject::Create(StandardModel());
    return *library;
}

}  // namespace platform::automation
