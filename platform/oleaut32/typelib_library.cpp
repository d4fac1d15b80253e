// ITypeLib over a loaded type library: its types (a dual interface listed by its dispatch face), the
// library's attributes and documentation, names, and the references its types make to each other and to
// types of other libraries, which are found on first use (the standard library's built in, any other
// through the registry) and then held.
#include <functional>

#include "platform/machine/text.h"
#include "platform/oleaut32/typelib_objects.h"

namespace platform::automation {

namespace {

// Type references: a type of the library by its index (bit 0 set for a dual interface's function-table
// face), or, with the top bit set, an entry of the library's imports.
constexpr HREFTYPE kImportedHandle = 0x80000000;
constexpr HREFTYPE kDualInterfaceHandle = 0x1;

bool IsDual(const typelib::TypeDefinition& type) {
    return type.kind == typelib::TypeKind::Interface && (type.flags & TYPEFLAG_FDUAL);
}

typelib::ImportedType StandardDispatchImport() {
    typelib::ImportedType dispatch;
    dispatch.library = LIBID_StandardOle;
    dispatch.majorVersion = 2;
    dispatch.minorVersion = 0;
    dispatch.typeName = "IDispatch";
    dispatch.typeGuid = IID_IDispatch;
    return dispatch;
}

void VisitReferences(const typelib::TypeDescription& type,
                     const std::function<void(const typelib::TypeReference&)>& visit) {
    if (type.reference) visit(*type.reference);
    for (const typelib::TypeDescription& element : type.element) VisitReferences(element, visit);
}

// Whether the interface derives from IDispatch, following bases through the libraries that hold them.
bool DerivesFromDispatch(const typelib::TypeDefinition* type, TypeLibraryObject* owner) {
    for (int depth = 0; type && depth < 32; ++depth) {
        if (type->guid == IID_IDispatch || type->kind == typelib::TypeKind::Dispatch || IsDual(*type))
            return true;
        if (!type->base) return false;
        if (type->base->imported && type->base->imported->typeGuid == IID_IDispatch) return true;
        type = owner->LocalDefinition(*type->base, &owner);
    }
    return false;
}

}  // namespace

char16_t FoldNameCharacter(char16_t character) {
    if (character >= u'A' && character <= u'Z') return character + (u'a' - u'A');
    // The upper-case letters of Latin-1, which Windows-1252 names share.
    if (character >= 0xC0 && character <= 0xDE && character != 0xD7) return character + 0x20;
    return character;
}

size_t FoldedNameHash::operator()(std::u16string_view name) const {
    size_t hash = 14695981039346656037ull;
    for (char16_t character : name) {
        hash ^= FoldNameCharacter(character);
        hash *= 1099511628211ull;
    }
    return hash;
}

bool FoldedNameEqual::operator()(std::u16string_view left, std::u16string_view right) const {
    if (left.size() != right.size()) return false;
    for (size_t index = 0; index < left.size(); ++index) {
        if (FoldNameCharacter(left[index]) != FoldNameCharacter(right[index])) return false;
    }
    return true;
}

TypeLibraryObject* TypeLibraryObject::Create(typelib::TypeLibrary model) {
    return new TypeLibraryObject(std::move(model));
}

TypeLibraryObject::TypeLibraryObject(typelib::TypeLibrary model) : model_(std::move(model)) {
    attributes_.guid = model_.libraryId;
    attributes_.lcid = model_.lcid;
    attributes_.syskind = SYS_WIN32;
    attributes_.wMajorVerNum = model_.majorVersion;
    attributes_.wMinorVerNum = model_.minorVersion;
    attributes_.wLibFlags = model_.flags;
    name_ = WideFromAnsi(model_.name);
    helpString_ = WideFromAnsi(model_.helpString);

    // Every type of another library a type names gets its entry now, so that the entries never change
    // once the library is shared. A dispatch face always names IDispatch.
    auto addImport = [this](const typelib::TypeReference& reference) {
        if (!reference.imported) return;
        for (const typelib::ImportedType& known : imports_) {
            if (known == *reference.imported) return;
        }
        imports_.push_back(*reference.imported);
    };
    addImport(typelib::TypeReference::Imported(StandardDispatchImport()));
    for (const typelib::TypeDefinition& type : model_.types) {
        if (type.base) addImport(*type.base);
        for (const typelib::ImplementedInterface& implemented : type.implemented)
            addImport(implemented.interface);
        for (const typelib::Function& function : type.functions) {
            VisitReferences(function.returnType, addImport);
            for (const typelib::Parameter& parameter : function.parameters)
                VisitReferences(parameter.type, addImport);
        }
        for (const typelib::Property& property : type.properties) VisitReferences(property.type, addImport);
    }
    importedInfos_.assign(imports_.size(), nullptr);

    for (UINT index = 0; index < model_.types.size(); ++index) {
        typeNames_.push_back(WideFromAnsi(model_.types[index].name));
        primary_.push_back(std::make_unique<TypeInfoObject>(*this, index, TypeView::Primary));
        dualInterfaces_.push_back(IsDual(model_.types[index]) ? std::make_unique<TypeInfoObject>(
                                                                    *this, index, TypeView::DualInterface)
                                                              : nullptr);
    }
}

TypeLibraryObject::~TypeLibraryObject() {
    for (ITypeInfo* info : importedInfos_) {
        if (info) info->Release();
    }
}

TypeInfoObject* TypeLibraryObject::InfoAt(UINT index, TypeView view) const {
    if (index >= primary_.size()) return nullptr;
    return view == TypeView::Primary ? primary_[index].get() : dualInterfaces_[index].get();
}

int TypeLibraryObject::IndexOfGuid(REFGUID guid) const {
    for (size_t index = 0; index < model_.types.size(); ++index) {
        if (model_.types[index].guid == guid) return static_cast<int>(index);
    }
    return -1;
}

int TypeLibraryObject::IndexOfName(std::u16string_view name) const {
    FoldedNameEqual equal;
    for (size_t index = 0; index < typeNames_.size(); ++index) {
        if (equal(typeNames_[index], name)) return static_cast<int>(index);
    }
    return -1;
}

HREFTYPE TypeLibraryObject::HandleOf(const typelib::TypeReference& reference, TypeView view) {
    if (reference.index) {
        HREFTYPE handle = *reference.index << 2;
        if (view == TypeView::DualInterface && *reference.index < model_.types.size() &&
            IsDual(model_.types[*reference.index]))
            handle |= kDualInterfaceHandle;
        return handle;
    }
    for (size_t index = 0; reference.imported && index < imports_.size(); ++index) {
        if (imports_[index] == *reference.imported) return kImportedHandle | static_cast<HREFTYPE>(index);
    }
    return static_cast<HREFTYPE>(-1);
}

HREFTYPE TypeLibraryObject::StandardDispatchHandle() {
    return HandleOf(typelib::TypeReference::Imported(StandardDispatchImport()), TypeView::Primary);
}

HRESULT TypeLibraryObject::InfoOfHandle(HREFTYPE handle, ITypeInfo** info) {
    *info = nullptr;
    if (handle == static_cast<HREFTYPE>(-1)) return TYPE_E_ELEMENTNOTFOUND;
    if (handle & kImportedHandle) return ResolveImport(handle & ~kImportedHandle, info);
    TypeInfoObject* found =
        InfoAt(handle >> 2, (handle & kDualInterfaceHandle) ? TypeView::DualInterface : TypeView::Primary);
    if (!found) return TYPE_E_ELEMENTNOTFOUND;
    found->AddRef();
    *info = found;
    return S_OK;
}

HRESULT TypeLibraryObject::ResolveImport(size_t importIndex, ITypeInfo** info) {
    if (importIndex >= imports_.size()) return TYPE_E_ELEMENTNOTFOUND;
    std::lock_guard<std::mutex> lock(importsMutex_);
    if (!importedInfos_[importIndex]) {
        const typelib::ImportedType& imported = imports_[importIndex];
        ITypeLib* library = nullptr;
        if (imported.library == LIBID_StandardOle) {
            library = &StandardLibrary();
            library->AddRef();
        } else {
            HRESULT loaded =
                LoadRegTypeLib(imported.library, imported.majorVersion, imported.minorVersion, 0, &library);
            if (FAILED(loaded)) return loaded;
        }
        ITypeInfo* found = nullptr;
        HRESULT result = TYPE_E_ELEMENTNOTFOUND;
        if (imported.typeGuid != GUID_NULL) result = library->GetTypeInfoOfGuid(imported.typeGuid, &found);
        if (FAILED(result)) {
            // A type of a library that is not ours can still be found by its name.
            std::u16string name = WideFromAnsi(imported.typeName);
            MEMBERID memberId = MEMBERID_NIL;
            USHORT count = 1;
            result = library->FindName(name.data(), 0, &found, &memberId, &count);
            if (SUCCEEDED(result) && (count == 0 || memberId != MEMBERID_NIL)) {
                if (count > 0 && found) found->Release();
                found = nullptr;
                result = TYPE_E_ELEMENTNOTFOUND;
            }
        }
        library->Release();
        if (FAILED(result)) return result;
        importedInfos_[importIndex] = found;
    }
    importedInfos_[importIndex]->AddRef();
    *info = importedInfos_[importIndex];
    return S_OK;
}

const typelib::TypeDefinition* TypeLibraryObject::LocalDefinition(const typelib::TypeReference& reference,
                                                                  TypeLibraryObject** owner) {
    if (reference.index) {
        if (*reference.index >= model_.types.size()) return nullptr;
        *owner = this;
        return &model_.types[*reference.index];
    }
    if (!reference.imported || reference.imported->library != LIBID_StandardOle) return nullptr;
    TypeLibraryObject& standard = StandardLibrary();
    int index =
        reference.imported->typeGuid != GUID_NULL ? standard.IndexOfGuid(reference.imported->typeGuid) : -1;
    if (index < 0) index = standard.IndexOfName(WideFromAnsi(reference.imported->typeName));
    if (index < 0) return nullptr;
    *owner = &standard;
    return &standard.model_.types[index];
}

HRESULT TypeLibraryObject::Describe(const typelib::TypeReference& reference, ReferencedType* described) {
    TypeLibraryObject* owner = nullptr;
    if (const typelib::TypeDefinition* type = LocalDefinition(reference, &owner)) {
        static constexpr TYPEKIND kinds[] = {TKIND_ENUM,      TKIND_RECORD,   TKIND_MODULE,
                                             TKIND_INTERFACE, TKIND_DISPATCH, TKIND_COCLASS};
        described->kind = kinds[static_cast<size_t>(type->kind)];
        described->guid = type->guid;
        described->dispatchable = DerivesFromDispatch(type, owner);
        return S_OK;
    }
    ITypeInfo* info = nullptr;
    HRESULT result = InfoOfHandle(HandleOf(reference, TypeView::Primary), &info);
    if (FAILED(result)) return result;
    TYPEATTR* attributes = nullptr;
    result = info->GetTypeAttr(&attributes);
    if (SUCCEEDED(result)) {
        described->kind = attributes->typekind;
        described->guid = attributes->guid;
        described->dispatchable = attributes->typekind == TKIND_DISPATCH ||
                                  (attributes->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE)) != 0;
        info->ReleaseTypeAttr(attributes);
    }
    info->Release();
    return result;
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITypeLib || riid == IID_TypeLibraryObject) {
        *ppvObject = static_cast<ITypeLib*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TypeLibraryObject::AddRef() {
    return references_.fetch_add(1) + 1;
}

ULONG STDMETHODCALLTYPE TypeLibraryObject::Release() {
    ULONG after = references_.fetch_sub(1) - 1;
    if (after == 0) delete this;
    return after;
}

UINT STDMETHODCALLTYPE TypeLibraryObject::GetTypeInfoCount() {
    return static_cast<UINT>(primary_.size());
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::GetTypeInfo(UINT index, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (index >= primary_.size()) return TYPE_E_ELEMENTNOTFOUND;
    primary_[index]->AddRef();
    *ppTInfo = primary_[index].get();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::GetTypeInfoType(UINT index, TYPEKIND* pTKind) {
    if (!pTKind) return E_INVALIDARG;
    if (index >= primary_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *pTKind = primary_[index]->attributes().typekind;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) {
    if (!ppTinfo) return E_INVALIDARG;
    *ppTinfo = nullptr;
    int index = IndexOfGuid(guid);
    if (index < 0) return TYPE_E_ELEMENTNOTFOUND;
    return GetTypeInfo(static_cast<UINT>(index), ppTinfo);
}

// The attributes live as long as the library; releasing them frees nothing.
HRESULT STDMETHODCALLTYPE TypeLibraryObject::GetLibAttr(TLIBATTR** ppTLibAttr) {
    if (!ppTLibAttr) return E_INVALIDARG;
    *ppTLibAttr = &attributes_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::GetTypeComp(ITypeComp** ppTComp) {
    if (ppTComp) *ppTComp = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::GetDocumentation(INT index, BSTR* pBstrName,
                                                              BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                                              BSTR* pBstrHelpFile) {
    if (index == -1) {
        StoreText(pBstrName, name_);
        if (pBstrDocString)
            *pBstrDocString = helpString_.empty() ? nullptr : SysAllocString(helpString_.c_str());
        if (pdwHelpContext) *pdwHelpContext = 0;
        if (pBstrHelpFile) *pBstrHelpFile = nullptr;
        return S_OK;
    }
    if (index < 0 || static_cast<size_t>(index) >= primary_.size()) return TYPE_E_ELEMENTNOTFOUND;
    return primary_[index]->GetDocumentation(MEMBERID_NIL, pBstrName, pBstrDocString, pdwHelpContext,
                                             pBstrHelpFile);
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::IsName(LPOLESTR szNameBuf, ULONG, BOOL* pfName) {
    if (!szNameBuf || !pfName) return E_INVALIDARG;
    *pfName = FALSE;
    std::u16string_view wanted(szNameBuf);
    FoldedNameEqual equal;
    // A name found is written back with the library's spelling.
    auto take = [&](const std::u16string& name) {
        if (!equal(name, wanted)) return false;
        std::copy(name.begin(), name.end(), szNameBuf);
        *pfName = TRUE;
        return true;
    };
    for (size_t index = 0; index < primary_.size(); ++index) {
        if (take(typeNames_[index])) return S_OK;
        for (const MemberEntry& member : primary_[index]->members()) {
            if (take(member.name)) return S_OK;
            for (const std::u16string& parameter : member.declaredNames) {
                if (take(parameter)) return S_OK;
            }
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLibraryObject::FindName(LPOLESTR szNameBuf, ULONG, ITypeInfo** ppTInfo,
                                                      MEMBERID* rgMemId, USHORT* pcFound) {
    if (!szNameBuf || !ppTInfo || !rgMemId || !pcFound) return E_INVALIDARG;
    std::u16string_view wanted(szNameBuf);
    FoldedNameEqual equal;
    USHORT found = 0;
    const USHORT wantedCount = *pcFound;
    auto add = [&](TypeInfoObject* info, MEMBERID memberId) {
        if (found == wantedCount) return;
        info->AddRef();
        ppTInfo[found] = info;
        rgMemId[found] = memberId;
        ++found;
    };
    for (size_t index = 0; index < primary_.size() && found < wantedCount; ++index) {
        if (equal(typeNames_[index], wanted)) {
            add(primary_[index].get(), MEMBERID_NIL);
            continue;
        }
        for (const MemberEntry& member : primary_[index]->members()) {
            if (!equal(member.name, wanted)) continue;
            add(primary_[index].get(), member.isFunction ? member.function.memid : member.variable.memid);
            break;
        }
    }
    *pcFound = found;
    return S_OK;
}

void STDMETHODCALLTYPE TypeLibraryObject::ReleaseTLibAttr(TLIBATTR*) {}

}  // namespace platform::automation
