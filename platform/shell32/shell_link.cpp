#include "platform/shell32/shell_link.h"

#include <atomic>
#include <cstring>
#include <string>

#include "platform/machine/text.h"
#include "platform/shell32/shell32_internal.h"
#include "platform/shell32/shell_link_file.h"
#include "shlobj.h"

namespace platform::shell {

namespace {

// HRESULT of the last error of a failed file call.
HRESULT LastErrorResult() {
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

HRESULT CopyOut(const std::string& text, LPSTR buffer, int size) {
    if (!buffer) return E_POINTER;
    CopyToBuffer(text, buffer, size);
    return S_OK;
}

class ShellLink final : public IShellLinkA, public IPersistFile {
  public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IShellLinkA)) {
            *ppvObject = static_cast<IShellLinkA*>(this);
        } else if (IsEqualGUID(riid, IID_IPersistFile) || IsEqualGUID(riid, IID_IPersist)) {
            *ppvObject = static_cast<IPersistFile*>(this);
        } else {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IShellLinkA
    HRESULT STDMETHODCALLTYPE GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD) override {
        if (pfd) {
            std::memset(pfd, 0, sizeof *pfd);
            WIN32_FIND_DATAA found{};
            HANDLE search =
                link_.path.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(link_.path.c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                FindClose(search);
                *pfd = found;
            } else {
                pfd->dwFileAttributes = link_.fileAttributes;
                pfd->nFileSizeLow = link_.fileSize;
                std::size_t slash = link_.path.find_last_of('\\');
                CopyToBuffer(slash == std::string::npos ? link_.path : link_.path.substr(slash + 1),
                             pfd->cFileName, MAX_PATH);
            }
        }
        HRESULT result = CopyOut(link_.path, pszFile, cch);
        if (FAILED(result)) return result;
        return link_.path.empty() ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDList(LPITEMIDLIST* ppidl) override {
        if (ppidl) *ppidl = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetIDList(LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(LPSTR pszName, int cch) override {
        return CopyOut(link_.description, pszName, cch);
    }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR pszName) override {
        return Set(link_.description, pszName);
    }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR pszDir, int cch) override {
        return CopyOut(link_.workingDirectory, pszDir, cch);
    }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR pszDir) override {
        return Set(link_.workingDirectory, pszDir);
    }
    HRESULT STDMETHODCALLTYPE GetArguments(LPSTR pszArgs, int cch) override {
        return CopyOut(link_.arguments, pszArgs, cch);
    }
    HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR pszArgs) override { return Set(link_.arguments, pszArgs); }
    HRESULT STDMETHODCALLTYPE GetHotkey(WORD* pwHotkey) override {
        if (!pwHotkey) return E_POINTER;
        *pwHotkey = link_.hotKey;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHotkey(WORD wHotkey) override {
        link_.hotKey = wHotkey;
        dirty_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetShowCmd(int* piShowCmd) override {
        if (!piShowCmd) return E_POINTER;
        *piShowCmd = link_.showCommand;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetShowCmd(int iShowCmd) override {
        link_.showCommand = iShowCmd;
        dirty_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR pszIconPath, int cch, int* piIcon) override {
        if (piIcon) *piIcon = link_.iconIndex;
        return CopyOut(link_.iconLocation, pszIconPath, cch);
    }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR pszIconPath, int iIcon) override {
        link_.iconIndex = iIcon;
        return Set(link_.iconLocation, pszIconPath);
    }
    HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR pszPathRel, DWORD) override {
        return Set(link_.relativePath, pszPathRel);
    }
    // The target is never searched for: a link whose target is there is resolved, one whose target has
    // gone is left as it is (S_FALSE), without asking the user.
    HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override {
        if (link_.path.empty()) return S_FALSE;
        return GetFileAttributesA(link_.path.c_str()) == INVALID_FILE_ATTRIBUTES ? S_FALSE : S_OK;
    }
    // The target's attributes and size are taken when it exists, as the shell stores them for a target
    // it cannot reach later.
    HRESULT STDMETHODCALLTYPE SetPath(LPCSTR pszFile) override {
        if (!pszFile) return E_INVALIDARG;
        link_.path = pszFile;
        link_.fileAttributes = 0;
        link_.fileSize = 0;
        WIN32_FIND_DATAA found{};
        HANDLE search = link_.path.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(pszFile, &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            link_.fileAttributes = found.dwFileAttributes;
            link_.fileSize = found.nFileSizeLow;
        }
        dirty_ = true;
        return S_OK;
    }

    // IPersistFile
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override {
        if (!pClassID) return E_POINTER;
        *pClassID = CLSID_ShellLink;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD) override {
        if (!pszFileName) return E_INVALIDARG;
        std::string path = AnsiFromWide(pszFileName);
        std::optional<ShellLinkData> read = ReadShellLinkFile(path);
        if (!read) return LastErrorResult();
        link_ = *read;
        currentFile_ = path;
        dirty_ = false;
        return S_OK;
    }
    // A null name saves to the current file. Saved under another name with fRemember, that name becomes
    // the current file; the link is clean once saved to its current file.
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override {
        std::string path = pszFileName ? AnsiFromWide(pszFileName) : currentFile_;
        if (path.empty()) return E_INVALIDARG;
        std::string bytes = WriteShellLink(link_);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return LastErrorResult();
        DWORD written = 0;
        BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        DWORD error = GetLastError();
        CloseHandle(file);
        if (!wrote || written != bytes.size()) return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
        if (!pszFileName || fRemember) {
            currentFile_ = path;
            dirty_ = false;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return S_OK; }
    // Without a current file the answer is S_FALSE and the name the shell proposes, "*.lnk".
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override {
        if (!ppszFileName) return E_POINTER;
        std::u16string name = WideFromAnsi(currentFile_.empty() ? "*.lnk" : currentFile_);
        auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
        *ppszFileName = copy;
        if (!copy) return E_OUTOFMEMORY;
        std::memcpy(copy, name.c_str(), (name.size() + 1) * sizeof(OLECHAR));
        return currentFile_.empty() ? S_FALSE : S_OK;
    }

  private:
    HRESULT Set(std::string& field, LPCSTR text) {
        if (!text) return E_INVALIDARG;
        field = text;
        dirty_ = true;
        return S_OK;
    }

    std::atomic<ULONG> references_{1};
    ShellLinkData link_;
    std::string currentFile_;
    bool dirty_ = false;
};

class ShellLinkFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // One factory lives as long as the library, which is never unloaded.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter) return CLASS_E_NOAGGREGATION;
        auto* link = new ShellLink;
        HRESULT result = link->QueryInterface(riid, ppvObject);
        link->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

HRESULT GetShellClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(rclsid, CLSID_ShellLink)) return CLASS_E_CLASSNOTAVAILABLE;
    static ShellLinkFactory factory;
    return factory.QueryInterface(riid, ppv);
}

}  // namespace platform::shell
