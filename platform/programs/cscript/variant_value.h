// Owning holders for the script's values: Value owns a VARIANT (cleared with VariantClear, copied with
// VariantCopy), ComPointer holds one reference to an interface.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "oleauto.h"
#include "program_text.h"

namespace vbscript {

template <typename Interface>
class ComPointer {
  public:
    ComPointer() = default;
    // Takes over the reference the caller holds.
    static ComPointer Adopt(Interface* pointer) {
        ComPointer holder;
        holder.pointer_ = pointer;
        return holder;
    }
    // Adds a reference of its own.
    static ComPointer Share(Interface* pointer) {
        if (pointer) pointer->AddRef();
        return Adopt(pointer);
    }
    ComPointer(const ComPointer& other) : pointer_(other.pointer_) {
        if (pointer_) pointer_->AddRef();
    }
    ComPointer(ComPointer&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPointer& operator=(ComPointer other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For an out parameter: releases what is held and lets the callee fill it.
    Interface** Receive() {
        *this = ComPointer();
        return &pointer_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  private:
    Interface* pointer_ = nullptr;
};

class Value {
  public:
    Value() { VariantInit(&variant_); }
    ~Value() { VariantClear(&variant_); }
    Value(const Value& other) {
        VariantInit(&variant_);
        VariantCopy(&variant_, &other.variant_);
    }
    Value(Value&& other) noexcept : variant_(other.variant_) { VariantInit(&other.variant_); }
    Value& operator=(Value other) noexcept {
        std::swap(variant_, other.variant_);
        return *this;
    }

    // A copy of a VARIANT owned elsewhere, with a reference followed to the value it points at.
    static Value CopyOf(const VARIANT& variant);
    // Takes over a VARIANT (an out parameter just filled in).
    static Value Adopt(VARIANT& variant);
    static Value Integer(long number);
    static Value Short(short number);
    static Value Real(double number);
    static Value Boolean(bool truth);
    static Value String(std::u16string_view text);
    static Value Object(IDispatch* object);  // a null object is Nothing
    static Value Error(SCODE code);
    // Refers to a VARIANT owned elsewhere (a variable passed by reference), as VT_BYREF | VT_VARIANT,
    // which owns nothing; the VARIANT must outlive the value.
    static Value Reference(VARIANT* variant);

    VARTYPE type() const { return variant_.vt; }
    const VARIANT& variant() const { return variant_; }
    VARIANT& variant() { return variant_; }
    // Clears the value and lets a callee fill it.
    VARIANT* Receive() {
        VariantClear(&variant_);
        return &variant_;
    }
    bool IsObject() const { return variant_.vt == VT_DISPATCH || variant_.vt == VT_UNKNOWN; }
    std::u16string_view text() const;  // a VT_BSTR value's characters

  private:
    VARIANT variant_;
};

// An owned BSTR, freed with SysFreeString.
class BString {
  public:
    BString() = default;
    explicit BString(std::u16string_view text);
    ~BString() { SysFreeString(string_); }
    BString(const BString&) = delete;
    BString& operator=(const BString&) = delete;
    BSTR get() const { return string_; }
    BSTR* Receive() {
        SysFreeString(string_);
        string_ = nullptr;
        return &string_;
    }
    std::u16string_view view() const {
        return string_ ? std::u16string_view(string_, SysStringLen(string_)) : u"";
    }

  private:
    BSTR string_ = nullptr;
};

using platform::programs::AnsiFromWide;
using platform::programs::WideFromAnsi;

}  // namespace vbscript
