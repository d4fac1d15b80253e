// Image list objects: the list's lifetime follows the object's, unless detached.
#include "CImageList.h"

#include <map>
#include <memory>
#include <mutex>

namespace {

// The temporary objects FromHandle makes, kept for the process's life; they never own their list.
struct TemporaryImageLists {
    std::mutex mutex;
    std::map<HIMAGELIST, std::unique_ptr<CImageList>> objects;
};

TemporaryImageLists& Temporaries() {
    static TemporaryImageLists* lists = new TemporaryImageLists;
    return *lists;
}

}  // namespace

CImageList::~CImageList() { DeleteImageList(); }

CImageList* CImageList::FromHandle(HIMAGELIST hImageList) {
    if (!hImageList) return nullptr;
    TemporaryImageLists& lists = Temporaries();
    std::lock_guard<std::mutex> lock(lists.mutex);
    std::unique_ptr<CImageList>& object = lists.objects[hImageList];
    if (!object) object = std::make_unique<CImageList>();
    // Never destroyed by its object: the handle is only lent.
    object->m_hImageList = hImageList;
    return object.get();
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
    return Attach(ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
}

BOOL CImageList::Attach(HIMAGELIST hImageList) {
    if (!hImageList || m_hImageList) return FALSE;
    m_hImageList = hImageList;
    return TRUE;
}

HIMAGELIST CImageList::Detach() {
    HIMAGELIST hImageList = m_hImageList;
    m_hImageList = nullptr;
    return hImageList;
}

BOOL CImageList::DeleteImageList() {
    HIMAGELIST hImageList = Detach();
    return hImageList ? ImageList_Destroy(hImageList) : FALSE;
}

int CImageList::Add(HICON hIcon) { return ImageList_AddIcon(m_hImageList, hIcon); }
int CImageList::GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
