// The widget of dispatch_widget.idl as a C++ object whose IDispatch is answered by its type information,
// as a server's dual interface is; and a part object handed to and from it.
#pragma once

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "dispatch_widget.h"
#include "oleauto.h"

namespace widget_test {

// Where the tests put the library's file in their machine.
inline constexpr char kWidgetLibraryPath[] = "C:\\Program Files\\Widget\\widget.tlb";
inline constexpr char16_t kWidgetLibraryPathWide[] = u"C:\\Program Files\\Widget\\widget.tlb";

// One reference to an interface, released with the object.
template <typename Interface>
class Held {
  public:
    Held() = default;
    ~Held() { reset(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Interface** out() {
        reset();
        return &pointer_;
    }
    void** outVoid() { return reinterpret_cast<void**>(out()); }
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void reset() {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
    }

  private:
    Interface* pointer_ = nullptr;
};

// A BSTR freed with the object.
class Text {
  public:
    Text() = default;
    ~Text() { SysFreeString(text_); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    BSTR* out() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    std::u16string str() const {
        return text_ ? std::u16string(text_, SysStringLen(text_)) : std::u16string();
    }
    bool null() const { return text_ == nullptr; }

  private:
    BSTR text_ = nullptr;
};

#ifdef WIDGET_TYPE_LIBRARY
// The library file the build wrote.
inline std::string WidgetLibraryBytes() {
    std::ifstream file(WIDGET_TYPE_LIBRARY, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
#endif

class PartObject final : public IWidgetPart {
  public:
    explicit PartObject(LONG value) : value_(value) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWidgetPart) {
            *object = static_cast<IWidgetPart*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG after = --references_;
        if (after == 0) delete this;
        return after;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Value(LONG* value) override {
        *value = value_;
        return S_OK;
    }

  private:
    std::atomic<ULONG> references_{1};
    LONG value_;
};

class WidgetObject final : public IWidget, public ISupportErrorInfo {
  public:
    explicit WidgetObject(ITypeInfo* typeInfo) : typeInfo_(typeInfo) { typeInfo_->AddRef(); }
    ~WidgetObject() {
        typeInfo_->Release();
        SysFreeString(name_);
        if (owner_) owner_->Release();
        VariantClear(&lastNote_);
        VariantClear(&entryValue);
    }

    // What the members saw.
    LONG count = 0;
    LONG scaleTimes = 0;
    VARIANT lastNote_{};
    WidgetShape shape = WidgetCircle;
    int touches = 0;
    LONG entryKey = 0;
    VARIANT entryValue{};
    bool entryAddedGiven = false;
    bool reportsErrors = true;
    IDispatch* owner() const { return owner_; }
    ULONG references() const { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWidget) {
            *object = static_cast<IWidget*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *object = static_cast<ISupportErrorInfo*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG after = --references_;
        if (after == 0) delete this;
        return after;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return reportsErrors && riid == IID_IWidget ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (index != 0) return DISP_E_BADINDEX;
        typeInfo_->AddRef();
        *info = typeInfo_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return typeInfo_->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
        return typeInfo_->Invoke(static_cast<IWidget*>(this), member, flags, parameters, result, exception,
                                 argumentError);
    }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* value) override {
        *value = SysAllocString(name_ ? name_ : u"");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR value) override {
        SysFreeString(name_);
        name_ = SysAllocString(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* value) override {
        *value = count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Count(LONG value) override {
        count = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Owner(IDispatch** value) override {
        if (owner_) owner_->AddRef();
        *value = owner_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE putref_Owner(IDispatch* value) override {
        if (value) value->AddRef();
        if (owner_) owner_->Release();
        owner_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scale(double factor, LONG times, VARIANT note, double* result) override {
        scaleTimes = times;
        VariantClear(&lastNote_);
        VariantCopy(&lastNote_, &note);
        *result = factor * times;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Describe(LONG first, BSTR second, VARIANT_BOOL third, BSTR* text) override {
        std::u16string described;
        for (char digit : std::to_string(first)) described += static_cast<char16_t>(digit);
        described += u"|";
        described += second ? second : u"";
        described += third == VARIANT_TRUE ? u"|true" : u"|false";
        *text = SysAllocString(described.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Swap(LONG* value, BSTR* previous) override {
        std::u16string text = u"was ";
        for (char digit : std::to_string(*value)) text += static_cast<char16_t>(digit);
        *previous = SysAllocString(text.c_str());
        *value *= 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Shape(WidgetShape* value) override {
        *value = shape;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Shape(WidgetShape value) override {
        shape = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Adopt(IWidgetPart* part, LONG* value) override {
        if (!part) return E_INVALIDARG;
        return part->get_Value(value);
    }
    // Fails with the code, after setting the thread's error information.
    HRESULT STDMETHODCALLTYPE Fail(LONG code) override {
        ICreateErrorInfo* created = nullptr;
        if (SUCCEEDED(CreateErrorInfo(&created))) {
            created->SetGUID(IID_IWidget);
            created->SetSource(const_cast<LPOLESTR>(u"Widget.Test"));
            created->SetDescription(const_cast<LPOLESTR>(u"The widget failed"));
            created->SetHelpContext(7);
            IErrorInfo* information = nullptr;
            created->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&information));
            SetErrorInfo(0, information);
            information->Release();
            created->Release();
        }
        return code;
    }
    HRESULT STDMETHODCALLTYPE Part(LONG value, IWidgetPart** part) override {
        *part = new PartObject(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Touch() override {
        ++touches;
        return S_OK;
    }
    // The widget itself is what the entry was added to.
    HRESULT STDMETHODCALLTYPE put_Entry(LONG key, VARIANT value, IDispatch** added) override {
        entryKey = key;
        VariantClear(&entryValue);
        VariantCopy(&entryValue, &value);
        entryAddedGiven = added != nullptr;
        if (added) {
            AddRef();
            *added = this;
        }
        return S_OK;
    }
    // Swaps the held object with the owner, as COM's [in, out] rules let it: the reference that came in
    // becomes the owner's, the owner's goes out to the caller.
    HRESULT STDMETHODCALLTYPE Trade(IDispatch** held) override {
        if (!held) return E_POINTER;
        std::swap(*held, owner_);
        return S_OK;
    }
    // Frees the text that came in and gives back a new one with "!" added.
    HRESULT STDMETHODCALLTYPE Rename(BSTR* text) override {
        if (!text) return E_POINTER;
        std::u16string renamed = *text ? std::u16string(*text, SysStringLen(*text)) : std::u16string();
        SysFreeString(*text);
        *text = SysAllocString((renamed + u"!").c_str());
        return S_OK;
    }
    // Releases the part that came in (none is refused) and gives back a new one of the next value.
    HRESULT STDMETHODCALLTYPE Renew(IWidgetPart** part) override {
        if (!part) return E_POINTER;
        if (!*part) return E_INVALIDARG;
        LONG value = 0;
        (*part)->get_Value(&value);
        (*part)->Release();
        *part = new PartObject(value + 1);
        return S_OK;
    }

  private:
    std::atomic<ULONG> references_{1};
    ITypeInfo* typeInfo_;
    BSTR name_ = nullptr;
    IDispatch* owner_ = nullptr;
};

}  // namespace widget_test
