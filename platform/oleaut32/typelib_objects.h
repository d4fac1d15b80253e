// The objects behind ITypeLib and ITypeInfo: a loaded type library (the plain model the IDL compiler
// writes) and one type information object per type, with the descriptions Windows hands out built once
// when the library is loaded.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "oleauto.h"
#include "platform/typelib_format/type_library.h"

namespace platform::automation {

class TypeLibraryObject;
struct InvokePlan;

// Names of types, members and parameters are compared without regard to case, as Automation does.
char16_t FoldNameCharacter(char16_t character);
struct FoldedNameHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view name) const;
};
struct FoldedNameEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view left, std::u16string_view right) const;
};
template <typename Value>
using NameMap = std::unordered_map<std::u16string, Value, FoldedNameHash, FoldedNameEqual>;

// The standard OLE library (stdole2.tlb), which holds IUnknown and IDispatch.
DEFINE_GUID(LIBID_StandardOle, 0x00020430, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
// Asked of an ITypeLib or ITypeInfo, QueryInterface hands out the object behind it, when it is ours.
DEFINE_GUID(IID_TypeLibraryObject, 0x5b1e9c40, 0x7d2a, 0x4f6e, 0x9a, 0x31, 0x0c, 0x52, 0xe8, 0x44, 0x6b,
            0x17);
DEFINE_GUID(IID_TypeInfoObject, 0x5b1e9c41, 0x7d2a, 0x4f6e, 0x9a, 0x31, 0x0c, 0x52, 0xe8, 0x44, 0x6b, 0x17);

// A dual interface has two faces: the dispatch interface the library lists (TKIND_DISPATCH, with the
// members of IUnknown and IDispatch first), and the interface with its function table, which the
// dispatch face names as implemented type -1.
enum class TypeView : std::uint8_t { Primary, DualInterface };

// One member as a type information object shows it: a function, or a variable (an enumeration's
// constant, a dispatch interface's property).
struct MemberEntry {
    bool isFunction = true;
    FUNCDESC function{};
    VARDESC variable{};
    std::vector<ELEMDESC> parameters;
    std::vector<std::unique_ptr<PARAMDESCEX>> defaults;
    VARIANT constant{};
    std::u16string name;
    std::u16string helpString;
    // The parameters a caller passes (without [retval] and [lcid]), in order: what GetIDsOfNames numbers.
    std::vector<std::u16string> parameterNames;
    // Every parameter's name, in the declaration's order.
    std::vector<std::u16string> declaredNames;
    // The member as declared, with the library it belongs to, which resolves its type references.
    const typelib::Function* source = nullptr;
    TypeLibraryObject* owner = nullptr;
    // The next member with the same dispatch id (a property's get and put), in declaration order.
    MemberEntry* nextWithSameId = nullptr;
    // Prepared on the first Invoke of the member; a preparation that failed (a library of a referenced
    // type not registered yet) is tried again on the next.
    mutable std::mutex planning;
    mutable std::unique_ptr<InvokePlan> planStorage;
    mutable std::atomic<const InvokePlan*> plan{nullptr};
};

// What a type reference names, as Invoke needs it to pass an argument.
struct ReferencedType {
    TYPEKIND kind = TKIND_MAX;
    GUID guid{};
    // For an interface: whether it derives from IDispatch, so that a pointer to it travels as VT_DISPATCH.
    bool dispatchable = false;
};

class TypeInfoObject final : public ITypeInfo {
  public:
    TypeInfoObject(TypeLibraryObject& library, UINT index, TypeView view);
    ~TypeInfoObject();
    TypeInfoObject(const TypeInfoObject&) = delete;
    TypeInfoObject& operator=(const TypeInfoObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) override;
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC** ppVarDesc) override;
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames,
                                       UINT* pcNames) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
    HRESULT STDMETHODCALLTYPE Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                               DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName,
                                          BSTR* pBstrName, WORD* pwOrdinal) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID memid, INVOKEKIND invKind, PVOID* ppv) override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) override;
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID memid, BSTR* pBstrMops) override;
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* pFuncDesc) override;
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC* pVarDesc) override;

    const typelib::TypeDefinition& definition() const { return definition_; }
    const TYPEATTR& attributes() const { return attributes_; }
    const std::u16string& name() const { return name_; }
    // Every member a name or dispatch id can reach, the inherited ones first.
    const std::deque<MemberEntry>& members() const { return members_; }

  private:
    // Adds the functions of the type's bases (shown when exposeInherited), then its own (shown).
    void AddFunctions(const typelib::TypeDefinition& type, TypeLibraryObject& owner, bool exposeInherited,
                      bool dispatchForm, int depth);
    void AddFunction(const typelib::Function& function, TypeLibraryObject& owner, bool dispatchForm,
                     bool exposed);
    void AddVariable(std::u16string name, MEMBERID memberId, std::u16string helpString, TYPEDESC type,
                     VARKIND kind, WORD flags);
    void IndexMembers();
    TYPEDESC Describe(const typelib::TypeDescription& type, TypeLibraryObject& owner);
    const MemberEntry* FindMember(MEMBERID memberId) const;

    TypeLibraryObject& library_;
    UINT index_;
    TypeView view_;
    const typelib::TypeDefinition& definition_;
    std::atomic<ULONG> references_{0};
    TYPEATTR attributes_{};
    std::u16string name_;
    std::u16string helpString_;
    std::deque<TYPEDESC> typeNodes_;
    std::deque<MemberEntry> members_;
    std::vector<MemberEntry*> functions_;
    std::vector<MemberEntry*> variables_;
    std::unordered_map<MEMBERID, MemberEntry*> byMemberId_;
    NameMap<MEMBERID> byName_;
};

class TypeLibraryObject final : public ITypeLib {
  public:
    // A library with one reference, for the caller.
    static TypeLibraryObject* Create(typelib::TypeLibrary model);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND* pTKind) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override;
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** ppTLibAttr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                                               DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) override;
    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo,
                                       MEMBERID* rgMemId, USHORT* pcFound) override;
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* pTLibAttr) override;

    const typelib::TypeLibrary& model() const { return model_; }
    const TLIBATTR& attributes() const { return attributes_; }
    // The object of a type's face; null for an index out of range or a face the type lacks.
    TypeInfoObject* InfoAt(UINT index, TypeView view) const;
    // The index of the type with this GUID, or -1.
    int IndexOfGuid(REFGUID guid) const;
    // The index of the type with this name (without regard to case), or -1.
    int IndexOfName(std::u16string_view name) const;

    // Type references as GetRefTypeOfImplType and the TYPEDESCs hand them out, and back.
    HREFTYPE HandleOf(const typelib::TypeReference& reference, TypeView view);
    HREFTYPE StandardDispatchHandle();
    HRESULT InfoOfHandle(HREFTYPE handle, ITypeInfo** info);
    // The definition a reference names when it is a type of this library or of the standard library
    // (which is what a base interface's members are taken from), with the library that holds it.
    const typelib::TypeDefinition* LocalDefinition(const typelib::TypeReference& reference,
                                                   TypeLibraryObject** owner);
    HRESULT Describe(const typelib::TypeReference& reference, ReferencedType* described);

  private:
    explicit TypeLibraryObject(typelib::TypeLibrary model);
    ~TypeLibraryObject();
    TypeLibraryObject(const TypeLibraryObject&) = delete;
    TypeLibraryObject& operator=(const TypeLibraryObject&) = delete;
    HRESULT ResolveImport(size_t importIndex, ITypeInfo** info);

    std::atomic<ULONG> references_{1};
    typelib::TypeLibrary model_;
    TLIBATTR attributes_{};
    std::u16string name_;
    std::u16string helpString_;
    std::vector<std::unique_ptr<TypeInfoObject>> primary_;
    std::vector<std::unique_ptr<TypeInfoObject>> dualInterfaces_;
    std::vector<std::u16string> typeNames_;
    // Types of other libraries the types name, found on first use and then held.
    std::mutex importsMutex_;
    std::vector<typelib::ImportedType> imports_;
    std::vector<ITypeInfo*> importedInfos_;
};

// The standard OLE library, built in: IUnknown, IDispatch and IEnumVARIANT as the IDL compiler's
// libraries import them.
TypeLibraryObject& StandardLibrary();

// Makes a BSTR of model text (Windows-1252); null for a null destination.
void StoreText(BSTR* destination, std::u16string_view text);

}  // namespace platform::automation
