// Image lists: images of one size, each an icon or a bitmap with its mask, counted and drawn by index. An
// image list holds the handles it was given; the list grows by its growth count as images are added.
#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

#include "commctrl.h"

struct _IMAGELIST {
    struct Image {
        HICON icon = nullptr;
        HBITMAP image = nullptr;
        HBITMAP mask = nullptr;
    };
    int width = 0;
    int height = 0;
    UINT flags = 0;
    int grow = 1;
    std::vector<Image> images;
};

namespace {

// The image lists alive, so that a handle that names none is refused.
struct ImageLists {
    std::mutex mutex;
    std::set<HIMAGELIST> alive;
};

ImageLists& Lists() {
    static ImageLists* lists = new ImageLists;
    return *lists;
}

bool IsAlive(HIMAGELIST list) {
    ImageLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.mutex);
    return list && lists.alive.count(list);
}

void Reserve(HIMAGELIST list) {
    if (list->images.size() == list->images.capacity())
        list->images.reserve(list->images.size() + static_cast<size_t>(list->grow));
}

}  // namespace

extern "C" HIMAGELIST WINAPI ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow) {
    if (cx <= 0 || cy <= 0 || cInitial < 0) return nullptr;
    auto* list = new _IMAGELIST;
    list->width = cx;
    list->height = cy;
    list->flags = flags;
    list->grow = std::max(1, cGrow);
    list->images.reserve(static_cast<size_t>(cInitial));
    ImageLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.mutex);
    lists.alive.insert(list);
    return list;
}

extern "C" BOOL WINAPI ImageList_Destroy(HIMAGELIST himl) {
    ImageLists& lists = Lists();
    std::lock_guard<std::mutex> lock(lists.mutex);
    if (!himl || !lists.alive.erase(himl)) return FALSE;
    delete himl;
    return TRUE;
}

// As many images as the bitmap holds side by side at the list's width (one at least); the index of the
// first. The list keeps the bitmap handles.
extern "C" int WINAPI ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask) {
    if (!IsAlive(himl) || !hbmImage) return -1;
    BITMAP bitmap{};
    if (!GetObjectA(hbmImage, sizeof bitmap, &bitmap)) return -1;
    int count = std::max(1, static_cast<int>(bitmap.bmWidth) / himl->width);
    int first = static_cast<int>(himl->images.size());
    for (int image = 0; image < count; ++image) {
        Reserve(himl);
        himl->images.push_back({nullptr, hbmImage, hbmMask});
    }
    return first;
}

// i = -1 adds the icon at the end; otherwise it replaces image i. Returns the image's index.
extern "C" int WINAPI ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon) {
    if (!IsAlive(himl) || !hicon) return -1;
    if (i == -1) {
        Reserve(himl);
        himl->images.push_back({hicon, nullptr, nullptr});
        return static_cast<int>(himl->images.size()) - 1;
    }
    if (i < 0 || static_cast<size_t>(i) >= himl->images.size()) return -1;
    himl->images[static_cast<size_t>(i)] = {hicon, nullptr, nullptr};
    return i;
}

// i = -1 removes every image.
extern "C" BOOL WINAPI ImageList_Remove(HIMAGELIST himl, int i) {
    if (!IsAlive(himl)) return FALSE;
    if (i == -1) {
        himl->images.clear();
        return TRUE;
    }
    if (i < 0 || static_cast<size_t>(i) >= himl->images.size()) return FALSE;
    himl->images.erase(himl->images.begin() + i);
    return TRUE;
}

extern "C" int WINAPI ImageList_GetImageCount(HIMAGELIST himl) {
    return IsAlive(himl) ? static_cast<int>(himl->images.size()) : 0;
}

extern "C" BOOL WINAPI ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    if (!IsAlive(himl) || !cx || !cy) return FALSE;
    *cx = himl->width;
    *cy = himl->height;
    return TRUE;
}

// An icon is drawn with its mask; a bitmap image is copied, through its mask when it has one (the mask
// white where the image is transparent, the image black there).
extern "C" BOOL WINAPI ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) {
    (void)fStyle;
    if (!IsAlive(himl) || i < 0 || static_cast<size_t>(i) >= himl->images.size() || !hdcDst) return FALSE;
    const _IMAGELIST::Image& image = himl->images[static_cast<size_t>(i)];
    if (image.icon) return DrawIconEx(hdcDst, x, y, image.icon, himl->width, himl->height, 0, nullptr, DI_NORMAL);
    // The images of one bitmap lie side by side: this one's place among them.
    int offset = 0;
    for (int before = i - 1; before >= 0 && himl->images[static_cast<size_t>(before)].image == image.image; --before)
        offset += himl->width;
    HDC source = CreateCompatibleDC(hdcDst);
    if (!source) return FALSE;
    HGDIOBJ previous = SelectObject(source, image.mask ? image.mask : image.image);
    if (image.mask) {
        BitBlt(hdcDst, x, y, himl->width, himl->height, source, offset, 0, SRCAND);
        SelectObject(source, image.image);
    }
    BitBlt(hdcDst, x, y, himl->width, himl->height, source, offset, 0, image.mask ? SRCPAINT : SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    return TRUE;
}
