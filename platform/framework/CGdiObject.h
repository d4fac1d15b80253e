// GDI objects over their handles: the object owns what it creates or is attached to and deletes it with
// itself. FromHandle gives a temporary object for a handle the program does not own, kept until
// DeleteTempMap.
#pragma once

#include <typeinfo>

#include "windows.h"

class CGdiObject {
  public:
    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;
    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    static CGdiObject* FromHandle(HGDIOBJ hObject);
    // Frees the temporary objects FromHandle made (they leave their handles alone).
    static void DeleteTempMap();
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int nCount, LPVOID lpObject) const;
    UINT GetObjectType() const;
    BOOL CreateStockObject(int nIndex);

  protected:
    // The temporary object of the given class for a handle, made at the first request.
    template <typename Object>
    static Object* TemporaryObject(HGDIOBJ hObject);
    static CGdiObject* FindTemporary(HGDIOBJ hObject, const char* kind);
    static void KeepTemporary(const char* kind, CGdiObject* object);
};

template <typename Object>
Object* CGdiObject::TemporaryObject(HGDIOBJ hObject) {
    if (!hObject) return nullptr;
    const char* kind = typeid(Object).name();
    if (CGdiObject* found = FindTemporary(hObject, kind)) return static_cast<Object*>(found);
    auto* made = new Object;
    made->m_hObject = hObject;
    KeepTemporary(kind, made);
    return made;
}
