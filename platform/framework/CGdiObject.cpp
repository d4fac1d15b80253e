// GDI objects over their handles, and the temporary objects of handles the program does not own.
#include "CGdiObject.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace {

struct TemporaryMap {
    std::mutex mutex;
    std::map<std::pair<HGDIOBJ, std::string>, std::unique_ptr<CGdiObject>> objects;
};

TemporaryMap& Temporaries() {
    static TemporaryMap* map = new TemporaryMap;
    return *map;
}

}  // namespace

CGdiObject::~CGdiObject() {
    DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) {
    return TemporaryObject<CGdiObject>(hObject);
}

CGdiObject* CGdiObject::FindTemporary(HGDIOBJ hObject, const char* kind) {
    TemporaryMap& map = Temporaries();
    std::lock_guard lock(map.mutex);
    auto found = map.objects.find({hObject, kind});
    return found == map.objects.end() ? nullptr : found->second.get();
}

void CGdiObject::KeepTemporary(const char* kind, CGdiObject* object) {
    TemporaryMap& map = Temporaries();
    std::lock_guard lock(map.mutex);
    map.objects[{object->m_hObject, kind}].reset(object);
}

void CGdiObject::DeleteTempMap() {
    TemporaryMap& map = Temporaries();
    std::lock_guard lock(map.mutex);
    for (auto& [key, object] : map.objects) object->Detach();
    map.objects.clear();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (!hObject || m_hObject) return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    return std::exchange(m_hObject, nullptr);
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const {
    return ::GetObjectA(m_hObject, nCount, lpObject);
}

UINT CGdiObject::GetObjectType() const {
    return static_cast<UINT>(::GetObjectType(m_hObject));
}

BOOL CGdiObject::CreateStockObject(int nIndex) {
    HGDIOBJ stock = ::GetStockObject(nIndex);
    return stock ? Attach(stock) : FALSE;
}
