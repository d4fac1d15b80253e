// IDispatch answered from type information: GetIDsOfNames by member and parameter names, and Invoke
// with property gets, puts and reference puts, methods, argument order, named arguments, coercions,
// optional and default arguments, [out] arguments, each DISP_E_ error with the argument it names, and
// the exception record a failing member gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dispatch_widget_object.h"
#include "platform/testing/test_machine.h"

namespace {

using widget_test::Held;
using widget_test::PartObject;
using widget_test::Text;
using widget_test::WidgetObject;

VARIANT Long(LONG value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_I4;
    variant.lVal = value;
    return variant;
}

VARIANT Double(double value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_R8;
    variant.dblVal = value;
    return variant;
}

VARIANT String(const char16_t* text) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = SysAllocString(text);
    return variant;
}

VARIANT Bool(bool value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BOOL;
    variant.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return variant;
}

// The VARIANT holds a reference of its own, which clearing the arguments releases.
VARIANT Object(IDispatch* object) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_DISPATCH;
    variant.pdispVal = object;
    if (object) object->AddRef();
    return variant;
}

VARIANT Short(SHORT value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_I2;
    variant.iVal = value;
    return variant;
}

// A caller's variable passed by reference, as a script passes it.
VARIANT Reference(VARIANT* variable) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BYREF | VT_VARIANT;
    variant.pvarVal = variable;
    return variant;
}

// What a variable holds, for comparing in tests.
std::string Shown(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return "Empty";
        case VT_I2:
            return "I2 " + std::to_string(value.iVal);
        case VT_I4:
            return "I4 " + std::to_string(value.lVal);
        case VT_BSTR: {
            std::string text = "BSTR ";
            for (UINT index = 0; index < SysStringLen(value.bstrVal); ++index)
                text += static_cast<char>(value.bstrVal[index]);
            return text;
        }
        case VT_DISPATCH:
            return value.pdispVal ? "Object" : "Nothing";
        default:
            return "vt " + std::to_string(value.vt);
    }
}

class DispatchTest : public ::testing::Test {
  protected:
    DispatchTest() {
        machine_.File(widget_test::kWidgetLibraryPath, widget_test::WidgetLibraryBytes());
        EXPECT_EQ(S_OK, LoadTypeLibEx(widget_test::kWidgetLibraryPathWide, REGKIND_NONE, library_.out()));
        EXPECT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IWidget, info_.out()));
        widget_ = new WidgetObject(info_.get());
    }
    ~DispatchTest() override {
        for (VARIANT& argument : arguments_) VariantClear(&argument);
        widget_->Release();
    }

    // Invokes with the arguments in the caller's order (stored reversed, as DISPPARAMS wants them) and
    // the names given, which come first in the array.
    HRESULT Call(DISPID member, WORD flags, std::vector<VARIANT> positional,
                 std::vector<std::pair<DISPID, VARIANT>> named, VARIANT* result,
                 EXCEPINFO* exception = nullptr) {
        for (VARIANT& argument : arguments_) VariantClear(&argument);
        arguments_.clear();
        names_.clear();
        for (auto& [name, value] : named) {
            names_.push_back(name);
            arguments_.push_back(value);
        }
        for (auto argument = positional.rbegin(); argument != positional.rend(); ++argument)
            arguments_.push_back(*argument);
        DISPPARAMS parameters{arguments_.data(), names_.empty() ? nullptr : names_.data(),
                              static_cast<UINT>(arguments_.size()), static_cast<UINT>(names_.size())};
        argumentError_ = 12345;
        return widget_->Invoke(member, IID_NULL, 0, flags, &parameters, result, exception, &argumentError_);
    }

    platform::TestMachine machine_;
    Held<ITypeLib> library_;
    Held<ITypeInfo> info_;
    WidgetObject* widget_ = nullptr;
    std::vector<VARIANT> arguments_;
    std::vector<DISPID> names_;
    UINT argumentError_ = 0;
};

TEST_F(DispatchTest, IdsOfMemberAndParameterNames) {
    struct Row {
        const char* name;
        std::vector<const char16_t*> names;
        HRESULT result;
        std::vector<DISPID> ids;
    };
    const Row rows[] = {
        {"property", {u"Name"}, S_OK, {1}},
        {"any case", {u"nAME"}, S_OK, {1}},
        {"method with its parameters", {u"Scale", u"factor", u"TIMES", u"note"}, S_OK, {4, 0, 1, 2}},
        {"parameters in another order", {u"describe", u"third", u"first"}, S_OK, {5, 2, 0}},
        {"the [retval] has no position", {u"Scale", u"result"}, DISP_E_UNKNOWNNAME, {4, DISPID_UNKNOWN}},
        {"one unknown parameter",
         {u"Scale", u"factor", u"bogus"},
         DISP_E_UNKNOWNNAME,
         {4, 0, DISPID_UNKNOWN}},
        {"unknown member", {u"Gadget", u"factor"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}},
        {"inherited member", {u"QueryInterface"}, S_OK, {0x60000000}},
        {"property put's value", {u"Count", u"newVal"}, S_OK, {2, 0}},
    };
    for (const Row& row : rows) {
        std::vector<LPOLESTR> names;
        for (const char16_t* name : row.names) names.push_back(const_cast<LPOLESTR>(name));
        std::vector<DISPID> ids(names.size(), 777);
        EXPECT_EQ(row.result, widget_->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                                     0, ids.data()))
            << row.name;
        EXPECT_EQ(row.ids, ids) << row.name;
        std::vector<DISPID> again(names.size(), 777);
        EXPECT_EQ(row.result,
                  DispGetIDsOfNames(info_.get(), names.data(), static_cast<UINT>(names.size()), again.data()))
            << row.name;
        EXPECT_EQ(row.ids, again) << row.name;
    }
}

TEST_F(DispatchTest, PropertiesGetPutAndPutReference) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(1, DISPATCH_PROPERTYPUT, {}, {{DISPID_PROPERTYPUT, String(u"Stampante")}}, nullptr));
    for (WORD flags : {WORD(DISPATCH_PROPERTYGET), WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
        ASSERT_EQ(S_OK, Call(1, flags, {}, {}, &result)) << flags;
        ASSERT_EQ(VT_BSTR, result.vt);
        EXPECT_EQ(u"Stampante", std::u16string(result.bstrVal));
        VariantClear(&result);
    }
    // Coerced to the declared long.
    ASSERT_EQ(S_OK, Call(2, DISPATCH_PROPERTYPUT, {}, {{DISPID_PROPERTYPUT, String(u"42")}}, nullptr));
    EXPECT_EQ(42, widget_->count);
    ASSERT_EQ(S_OK, Call(2, DISPATCH_PROPERTYGET, {}, {}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(42, result.lVal);

    // An enumeration travels as a long.
    ASSERT_EQ(S_OK, Call(7, DISPATCH_PROPERTYPUT, {}, {{DISPID_PROPERTYPUT, Long(WidgetTriangle)}}, nullptr));
    EXPECT_EQ(WidgetTriangle, widget_->shape);
    ASSERT_EQ(S_OK, Call(7, DISPATCH_PROPERTYGET, {}, {}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(WidgetTriangle, result.lVal);

    // Owner is set by reference; a plain put of it has no member.
    auto* owner = new WidgetObject(info_.get());
    ASSERT_EQ(S_OK, Call(3, DISPATCH_PROPERTYPUTREF, {}, {{DISPID_PROPERTYPUT, Object(owner)}}, nullptr));
    EXPECT_EQ(owner, widget_->owner());
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              Call(3, DISPATCH_PROPERTYPUT, {}, {{DISPID_PROPERTYPUT, Object(owner)}}, nullptr));
    ASSERT_EQ(S_OK, Call(3, DISPATCH_PROPERTYGET, {}, {}, &result));
    ASSERT_EQ(VT_DISPATCH, result.vt);
    EXPECT_EQ(static_cast<IDispatch*>(owner), result.pdispVal);
    VariantClear(&result);
    ASSERT_EQ(S_OK, Call(3, DISPATCH_PROPERTYPUTREF, {}, {{DISPID_PROPERTYPUT, Object(nullptr)}}, nullptr));
    EXPECT_EQ(1u, owner->references());
    owner->Release();
}

// A put whose value is not its last parameter: the value goes to the last parameter that is not [out]
// only, the [out] one after it gets a null pointer unless the caller names it.
TEST_F(DispatchTest, PutValueBeforeATrailingOutParameter) {
    ASSERT_EQ(S_OK,
              Call(12, DISPATCH_PROPERTYPUT, {Long(2)}, {{DISPID_PROPERTYPUT, String(u"testo")}}, nullptr));
    EXPECT_EQ(2, widget_->entryKey);
    ASSERT_EQ(VT_BSTR, widget_->entryValue.vt);
    EXPECT_EQ(u"testo", std::u16string(widget_->entryValue.bstrVal));
    EXPECT_FALSE(widget_->entryAddedGiven);

    IDispatch* added = nullptr;
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_DISPATCH;
    reference.ppdispVal = &added;
    ASSERT_EQ(S_OK, Call(12, DISPATCH_PROPERTYPUT, {Long(3)}, {{DISPID_PROPERTYPUT, Long(7)}, {2, reference}},
                         nullptr));
    EXPECT_EQ(3, widget_->entryKey);
    EXPECT_TRUE(widget_->entryAddedGiven);
    EXPECT_EQ(static_cast<IDispatch*>(widget_), added);
    if (added) added->Release();

    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              Call(12, DISPATCH_PROPERTYPUT, {Long(3), Long(4)}, {{DISPID_PROPERTYPUT, Long(7)}}, nullptr));
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, Call(12, DISPATCH_PROPERTYPUT, {Long(3)}, {}, nullptr));
}

TEST_F(DispatchTest, MethodsTakeArgumentsInReverseOrderAndByName) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(5, DISPATCH_METHOD, {Long(7), String(u"sette"), Bool(true)}, {}, &result));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(u"7|sette|true", std::u16string(result.bstrVal));
    VariantClear(&result);
    // Coercions of each argument to its declared type.
    ASSERT_EQ(S_OK, Call(5, DISPATCH_METHOD, {String(u"12"), Long(3), Long(0)}, {}, &result));
    EXPECT_EQ(u"12|3|false", std::u16string(result.bstrVal));
    VariantClear(&result);
    // Named arguments by their parameter positions, after positional ones.
    ASSERT_EQ(S_OK, Call(5, DISPATCH_METHOD, {Long(1)}, {{2, Bool(true)}, {1, String(u"due")}}, &result));
    EXPECT_EQ(u"1|due|true", std::u16string(result.bstrVal));
    VariantClear(&result);
    // A method called as a property get, and one without a result wanted.
    ASSERT_EQ(S_OK, Call(11, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {}, &result));
    EXPECT_EQ(VT_EMPTY, result.vt);
    ASSERT_EQ(S_OK, Call(5, DISPATCH_METHOD, {Long(1), String(u"x"), Bool(false)}, {}, nullptr));
    EXPECT_EQ(1, widget_->touches);
}

TEST_F(DispatchTest, OptionalAndDefaultArguments) {
    VARIANT result;
    VariantInit(&result);
    // Missing: the default of `times`, the "missing" marker for the VARIANT `note`.
    ASSERT_EQ(S_OK, Call(4, DISPATCH_METHOD, {Double(3.5)}, {}, &result));
    EXPECT_EQ(VT_R8, result.vt);
    EXPECT_DOUBLE_EQ(7.0, result.dblVal);
    EXPECT_EQ(2, widget_->scaleTimes);
    EXPECT_EQ(VT_ERROR, widget_->lastNote_.vt);
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, widget_->lastNote_.scode);
    // Given, and passed as missing by the caller's marker.
    VARIANT marker;
    VariantInit(&marker);
    marker.vt = VT_ERROR;
    marker.scode = DISP_E_PARAMNOTFOUND;
    ASSERT_EQ(S_OK, Call(4, DISPATCH_METHOD, {Double(1.5), marker, String(u"nota")}, {}, &result));
    EXPECT_DOUBLE_EQ(3.0, result.dblVal);
    EXPECT_EQ(VT_BSTR, widget_->lastNote_.vt);
    ASSERT_EQ(S_OK, Call(4, DISPATCH_METHOD, {Double(1.5), String(u"4")}, {}, &result));
    EXPECT_DOUBLE_EQ(6.0, result.dblVal);
    EXPECT_EQ(4, widget_->scaleTimes);
    // By name only.
    ASSERT_EQ(S_OK, Call(4, DISPATCH_METHOD, {}, {{1, Long(10)}, {0, Double(0.5)}}, &result));
    EXPECT_DOUBLE_EQ(5.0, result.dblVal);
}

TEST_F(DispatchTest, OutArgumentsByReference) {
    LONG value = 21;
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BYREF | VT_I4;
    byReference.plVal = &value;
    BSTR previous = nullptr;
    VARIANT previousReference;
    VariantInit(&previousReference);
    previousReference.vt = VT_BYREF | VT_BSTR;
    previousReference.pbstrVal = &previous;
    ASSERT_EQ(S_OK, Call(6, DISPATCH_METHOD, {byReference, previousReference}, {}, nullptr));
    EXPECT_EQ(42, value);
    ASSERT_NE(nullptr, previous);
    EXPECT_EQ(u"was 21", std::u16string(previous));
    SysFreeString(previous);
    previous = nullptr;

    // An [in, out] argument must be a reference of its type.
    VARIANT wrongReference;
    VariantInit(&wrongReference);
    short shortValue = 3;
    wrongReference.vt = VT_BYREF | VT_I2;
    wrongReference.piVal = &shortValue;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              Call(6, DISPATCH_METHOD, {wrongReference, previousReference}, {}, nullptr));
    EXPECT_EQ(1u, argumentError_);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(6, DISPATCH_METHOD, {Long(5), previousReference}, {}, nullptr));
    EXPECT_EQ(1u, argumentError_);
    arguments_.clear();
}

// A VARIANT passed by reference for a pointer parameter is coerced to the pointer's type, and what the
// member leaves replaces the variable's value; one that cannot be coerced names its argument.
TEST_F(DispatchTest, VariablesByReferenceForPointerParameters) {
    auto* part = new PartObject(64);
    struct Row {
        const char* name;
        DISPID member;  // 6: Swap([in, out] long*, [out] BSTR*); 14: Rename([in, out] BSTR*)
        VARIANT variable;
        HRESULT result;
        std::string after;
        UINT argumentError;    // 12345: left as it was
        const char* previous;  // Swap's [out] text afterwards
    };
    Row rows[] = {
        {"a long doubled", 6, Long(21), S_OK, "I4 42", 12345, "BSTR was 21"},
        {"an integer coerced to a long", 6, Short(3), S_OK, "I4 6", 12345, "BSTR was 3"},
        {"text of a number", 6, String(u"8"), S_OK, "I4 16", 12345, "BSTR was 8"},
        {"Empty as zero", 6, VARIANT{}, S_OK, "I4 0", 12345, "BSTR was 0"},
        {"text that is no number", 6, String(u"abc"), DISP_E_TYPEMISMATCH, "BSTR abc", 1, "BSTR stale"},
        {"an object without a value", 6, Object(part), DISP_E_TYPEMISMATCH, "Object", 1, "BSTR stale"},
        {"text freed and replaced", 14, String(u"name"), S_OK, "BSTR name!", 12345, nullptr},
        {"a number as text", 14, Long(5), S_OK, "BSTR 5!", 12345, nullptr},
        {"Empty as empty text", 14, VARIANT{}, S_OK, "BSTR !", 12345, nullptr},
    };
    for (Row& row : rows) {
        // The [out]-only text receives a new value; the one it held is freed first.
        VARIANT previous = String(u"stale");
        std::vector<VARIANT> positional = {Reference(&row.variable)};
        if (row.previous) positional.push_back(Reference(&previous));
        EXPECT_EQ(row.result, Call(row.member, DISPATCH_METHOD, positional, {}, nullptr)) << row.name;
        EXPECT_EQ(row.after, Shown(row.variable)) << row.name;
        EXPECT_EQ(row.argumentError, argumentError_) << row.name;
        if (row.previous) {
            EXPECT_EQ(row.previous, Shown(previous)) << row.name;
        }
        VariantClear(&previous);
        VariantClear(&row.variable);
    }
    // The variable may itself refer to a long: the member changes that long.
    LONG number = 5;
    VARIANT referring;
    VariantInit(&referring);
    referring.vt = VT_BYREF | VT_I4;
    referring.plVal = &number;
    VARIANT previous;
    VariantInit(&previous);
    ASSERT_EQ(S_OK, Call(6, DISPATCH_METHOD, {Reference(&referring), Reference(&previous)}, {}, nullptr));
    EXPECT_EQ(10, number);
    EXPECT_EQ(VT_BYREF | VT_I4, referring.vt);
    EXPECT_EQ("BSTR was 5", Shown(previous));
    VariantClear(&previous);
    // The only reference left to the part is the test's.
    EXPECT_EQ(0u, part->Release());
}

// [in, out] interface pointers follow COM's rules: the reference that goes in is the member's to keep or
// release, the one that comes out is the caller's; the variable's own reference is released when it is
// replaced.
TEST_F(DispatchTest, VariablesByReferenceForInterfacePointers) {
    auto* first = new PartObject(1);
    VARIANT variable = Object(first);
    // Trade swaps the variable's object with the widget's owner (none yet).
    ASSERT_EQ(S_OK, Call(13, DISPATCH_METHOD, {Reference(&variable)}, {}, nullptr));
    EXPECT_EQ("Nothing", Shown(variable));
    EXPECT_EQ(static_cast<IDispatch*>(first), widget_->owner());
    EXPECT_EQ(3u, first->AddRef());  // the test's and the owner's
    first->Release();
    ASSERT_EQ(S_OK, Call(13, DISPATCH_METHOD, {Reference(&variable)}, {}, nullptr));
    EXPECT_EQ("Object", Shown(variable));
    EXPECT_EQ(static_cast<IDispatch*>(first), variable.pdispVal);
    EXPECT_EQ(nullptr, widget_->owner());
    VariantClear(&variable);
    // An Empty variable holds no object yet; a number is no object.
    ASSERT_EQ(S_OK, Call(13, DISPATCH_METHOD, {Reference(&variable)}, {}, nullptr));
    EXPECT_EQ("Nothing", Shown(variable));
    variable = Long(3);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(13, DISPATCH_METHOD, {Reference(&variable)}, {}, nullptr));
    EXPECT_EQ(0u, argumentError_);
    EXPECT_EQ("I4 3", Shown(variable));

    // Renew releases the part it is given, asked for its interface, and gives back a new one.
    variable = Object(first);
    ASSERT_EQ(S_OK, Call(15, DISPATCH_METHOD, {Reference(&variable)}, {}, nullptr));
    ASSERT_EQ("Object", Shown(variable));
    Held<IWidgetPart> renewed;
    ASSERT_EQ(S_OK, variable.pdispVal->QueryInterface(IID_IWidgetPart, renewed.outVoid()));
    LONG value = 0;
    renewed->get_Value(&value);
    EXPECT_EQ(2, value);
    renewed.reset();
    VariantClear(&variable);
    EXPECT_EQ(2u, first->AddRef());
    first->Release();
    // An object without the interface is refused before the call; the member's own refusal leaves the
    // variable as it was.
    auto* stranger = new WidgetObject(info_.get());
    variable = Object(stranger);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(15, DISPATCH_METHOD, {Reference(&variable)}, {}, nullptr));
    EXPECT_EQ(0u, argumentError_);
    VariantClear(&variable);
    EXPECT_EQ(0u, stranger->Release());
    EXCEPINFO exception{};
    EXPECT_EQ(DISP_E_EXCEPTION, Call(15, DISPATCH_METHOD, {Reference(&variable)}, {}, nullptr, &exception));
    EXPECT_EQ(E_INVALIDARG, exception.scode);
    EXPECT_EQ("Empty", Shown(variable));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    Held<IErrorInfo> left;
    GetErrorInfo(0, left.out());
    EXPECT_EQ(0u, first->Release());
}

// A VARIANT passed by reference for a parameter taken by value is read where it points.
TEST_F(DispatchTest, VariablesByReferenceForValueParameters) {
    VARIANT number = String(u"7"), text = String(u"sette"), truth = Bool(true);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(5, DISPATCH_METHOD, {Reference(&number), Reference(&text), Reference(&truth)}, {},
                         &result));
    EXPECT_EQ("BSTR 7|sette|true", Shown(result));
    EXPECT_EQ("BSTR 7", Shown(number));
    VariantClear(&result);
    // A VARIANT parameter gets the variable's value; an interface parameter the variable's object.
    ASSERT_EQ(S_OK, Call(4, DISPATCH_METHOD, {Double(1), Long(1), Reference(&text)}, {}, &result));
    EXPECT_EQ("BSTR sette", Shown(widget_->lastNote_));
    auto* part = new PartObject(33);
    VARIANT object = Object(part);
    ASSERT_EQ(S_OK, Call(8, DISPATCH_METHOD, {Reference(&object)}, {}, &result));
    EXPECT_EQ("I4 33", Shown(result));
    VariantClear(&object);
    EXPECT_EQ(0u, part->Release());
    VARIANT none;
    VariantInit(&none);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(8, DISPATCH_METHOD, {Reference(&none)}, {}, &result));
    for (VARIANT* variable : {&number, &text, &truth}) VariantClear(variable);
}

TEST_F(DispatchTest, InterfaceArgumentsAndResults) {
    VARIANT result;
    VariantInit(&result);
    auto* part = new PartObject(64);
    ASSERT_EQ(S_OK, Call(8, DISPATCH_METHOD, {Object(part)}, {}, &result));
    EXPECT_EQ(64, result.lVal);
    // The object was asked for the interface and released again: held by the test and the argument.
    EXPECT_EQ(3u, part->AddRef());
    part->Release();
    part->Release();

    // An object without the interface, or no object at all.
    auto* stranger = new WidgetObject(info_.get());
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(8, DISPATCH_METHOD, {Object(stranger)}, {}, &result));
    EXPECT_EQ(0u, argumentError_);
    stranger->Release();
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(8, DISPATCH_METHOD, {Long(3)}, {}, &result));

    ASSERT_EQ(S_OK, Call(10, DISPATCH_METHOD, {Long(9)}, {}, &result));
    ASSERT_EQ(VT_DISPATCH, result.vt);
    Held<IWidgetPart> returned;
    ASSERT_EQ(S_OK, result.pdispVal->QueryInterface(IID_IWidgetPart, returned.outVoid()));
    LONG value = 0;
    returned->get_Value(&value);
    EXPECT_EQ(9, value);
    VariantClear(&result);
}

TEST_F(DispatchTest, ErrorsWithTheArgumentTheyName) {
    struct Row {
        const char* name;
        DISPID member;
        WORD flags;
        std::vector<VARIANT> positional;
        std::vector<std::pair<DISPID, VARIANT>> named;
        HRESULT result;
        UINT argumentError;  // 12345: left as it was
    };
    const Row rows[] = {
        {"no such dispatch id", 99, DISPATCH_METHOD, {}, {}, DISP_E_MEMBERNOTFOUND, 12345},
        {"a method put",
         4,
         DISPATCH_PROPERTYPUT,
         {},
         {{DISPID_PROPERTYPUT, Long(1)}},
         DISP_E_MEMBERNOTFOUND,
         12345},
        {"a read-only kind of call", 11, DISPATCH_PROPERTYPUTREF, {}, {}, DISP_E_MEMBERNOTFOUND, 12345},
        {"too many arguments",
         5,
         DISPATCH_METHOD,
         {Long(1), String(u"a"), Bool(true), Long(4)},
         {},
         DISP_E_BADPARAMCOUNT,
         12345},
        {"a required one missing", 5, DISPATCH_METHOD, {Long(1)}, {}, DISP_E_PARAMNOTOPTIONAL, 12345},
        {"a put without DISPID_PROPERTYPUT",
         2,
         DISPATCH_PROPERTYPUT,
         {Long(1)},
         {},
         DISP_E_BADPARAMCOUNT,
         12345},
        {"a put without its value", 2, DISPATCH_PROPERTYPUT, {}, {}, DISP_E_PARAMNOTOPTIONAL, 12345},
        {"text that is no number: the first argument",
         5,
         DISPATCH_METHOD,
         {String(u"abc"), String(u"b"), Bool(true)},
         {},
         DISP_E_TYPEMISMATCH,
         2},
        {"text that is no boolean: the last argument",
         5,
         DISPATCH_METHOD,
         {Long(1), String(u"b"), String(u"perhaps")},
         {},
         DISP_E_TYPEMISMATCH,
         0},
        {"too big for a long",
         2,
         DISPATCH_PROPERTYPUT,
         {},
         {{DISPID_PROPERTYPUT, Double(1e12)}},
         DISP_E_OVERFLOW,
         0},
        {"a named argument of no parameter",
         5,
         DISPATCH_METHOD,
         {Long(1)},
         {{7, String(u"b")}},
         DISP_E_PARAMNOTFOUND,
         0},
        {"positional and named for one parameter",
         5,
         DISPATCH_METHOD,
         {Long(1), String(u"b")},
         {{0, Long(2)}},
         DISP_E_PARAMNOTFOUND,
         0},
    };
    for (const Row& row : rows) {
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(row.result, Call(row.member, row.flags, row.positional, row.named, &result)) << row.name;
        EXPECT_EQ(row.argumentError, argumentError_) << row.name;
        VariantClear(&result);
    }
}

TEST_F(DispatchTest, FailingMemberGivesAnException) {
    struct Row {
        const char* name;
        bool reportsErrors;
        bool withRecord;
        HRESULT result;
        const char16_t* description;
    };
    const Row rows[] = {
        {"error information for the interface", true, true, DISP_E_EXCEPTION, u"The widget failed"},
        {"no error information for the interface", false, true, DISP_E_EXCEPTION, nullptr},
        {"no exception record: the member's result", true, false, E_ACCESSDENIED, nullptr},
    };
    for (const Row& row : rows) {
        widget_->reportsErrors = row.reportsErrors;
        EXCEPINFO exception{};
        EXPECT_EQ(row.result, Call(9, DISPATCH_METHOD, {Long(E_ACCESSDENIED)}, {}, nullptr,
                                   row.withRecord ? &exception : nullptr))
            << row.name;
        if (!row.withRecord) continue;
        EXPECT_EQ(E_ACCESSDENIED, exception.scode) << row.name;
        EXPECT_EQ(0, exception.wCode) << row.name;
        if (row.description) {
            ASSERT_NE(nullptr, exception.bstrDescription) << row.name;
            EXPECT_EQ(row.description, std::u16string(exception.bstrDescription)) << row.name;
            ASSERT_NE(nullptr, exception.bstrSource) << row.name;
            EXPECT_EQ(u"Widget.Test", std::u16string(exception.bstrSource)) << row.name;
            EXPECT_EQ(7u, exception.dwHelpContext) << row.name;
        } else {
            EXPECT_EQ(nullptr, exception.bstrDescription) << row.name;
        }
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        Held<IErrorInfo> left;
        GetErrorInfo(0, left.out());
    }
}

TEST_F(DispatchTest, StandardDispatchAndDispInvoke) {
    Held<IUnknown> standard;
    ASSERT_EQ(S_OK, CreateStdDispatch(nullptr, static_cast<IWidget*>(widget_), info_.get(), standard.out()));
    Held<IDispatch> dispatch;
    ASSERT_EQ(S_OK, standard->QueryInterface(IID_IDispatch, dispatch.outVoid()));
    UINT count = 0;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    Held<ITypeInfo> info;
    EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, info.out()));
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, info.out()));
    EXPECT_EQ(info_.get(), info.get());

    LPOLESTR name = const_cast<LPOLESTR>(u"count");
    DISPID id = 0;
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    EXPECT_EQ(2, id);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, dispatch->GetIDsOfNames(IID_IWidget, &name, 1, 0, &id));

    VARIANT value = Long(17);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&value, &put, 1, 1};
    UINT argumentError = 0;
    ASSERT_EQ(S_OK, dispatch->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYPUT, &parameters, nullptr, nullptr,
                                     &argumentError));
    EXPECT_EQ(17, widget_->count);
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, DispInvoke(static_cast<IWidget*>(widget_), info_.get(), 2, DISPATCH_PROPERTYGET, &none,
                               &result, nullptr, &argumentError));
    EXPECT_EQ(17, result.lVal);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, dispatch->Invoke(2, IID_IWidget, 0, DISPATCH_PROPERTYGET, &none,
                                                        &result, nullptr, &argumentError));
}

}  // namespace
