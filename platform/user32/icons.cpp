// Icons and bitmaps: loaded from a module's RT_GROUP_ICON, RT_ICON and RT_BITMAP resources (or a file),
// copied, scaled and drawn; and the system's icons, drawn simply. An icon holds two 32-bit bitmaps, as
// Windows' icons hold an AND mask and an XOR image: drawing ANDs the mask (white where the icon is
// transparent, black where it is not) onto the target and XORs the image over it.
#include "platform/user32/icons.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "windows.h"

namespace platform {

namespace {

struct Icon {
    int width = 0;
    int height = 0;
    HBITMAP image = nullptr;
    HBITMAP mask = nullptr;
    bool shared = false;
};

struct IconTable {
    std::mutex mutex;
    std::map<HICON, std::unique_ptr<Icon>> icons;
    // LR_SHARED images by module, name, type and size.
    std::map<std::tuple<HINSTANCE, std::string, UINT, int, int>, HANDLE> shared;
};

IconTable& Icons() {
    static auto* table = new IconTable;
    return *table;
}

std::optional<Icon> FindIcon(HICON handle) {
    IconTable& table = Icons();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.icons.find(handle);
    if (found == table.icons.end()) return std::nullopt;
    return *found->second;
}

HICON AddIcon(const Icon& icon) {
    auto owned = std::make_unique<Icon>(icon);
    auto handle = reinterpret_cast<HICON>(owned.get());
    IconTable& table = Icons();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.icons[handle] = std::move(owned);
    return handle;
}

// A top-down 32-bit bitmap of the pixels (0x00RRGGBB).
HBITMAP BitmapOfPixels(int width, int height, const std::vector<std::uint32_t>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, pixels.data(), pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

int PaletteSize(const BITMAPINFOHEADER& header) {
    if (header.biBitCount > 8) return header.biCompression == BI_BITFIELDS && header.biSize == 40 ? 3 : 0;
    return header.biClrUsed ? static_cast<int>(header.biClrUsed) : 1 << header.biBitCount;
}

int Stride(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

// A bitmap of a packed DIB (a header, its colours, then the bits), of `height` rows of it.
HBITMAP BitmapOfPackedDib(const BYTE* data, size_t size, int height) {
    if (size < sizeof(BITMAPINFOHEADER)) return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biCompression > BI_BITFIELDS)
        return nullptr;
    // A palette holds at most 256 colours; each part must fit in what is left of the data.
    int paletteSize = PaletteSize(header);
    if (paletteSize < 0 || paletteSize > 256 || header.biSize > size) return nullptr;
    size_t colours = static_cast<size_t>(paletteSize) * 4;
    if (colours > size - header.biSize) return nullptr;
    size_t bitsOffset = header.biSize + colours;
    size_t bitsSize = static_cast<size_t>(Stride(header.biWidth, header.biBitCount)) * static_cast<size_t>(height);
    if (bitsSize > size - bitsOffset) return nullptr;
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + colours + 4);
    std::memcpy(info.data(), data, sizeof(BITMAPINFOHEADER));
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), data + header.biSize, colours);
    auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(info.data());
    bitmapInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bitmapInfo->bmiHeader.biHeight = header.biHeight < 0 ? -height : height;
    bitmapInfo->bmiHeader.biSizeImage = 0;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, data + bitsOffset, bitsSize);
    return bitmap;
}

// An RT_ICON image: its header says twice the height (image and mask); the image's bits, then the AND
// mask's one bit per pixel, rows from the bottom.
std::optional<Icon> IconOfImage(const BYTE* data, size_t size) {
    if (size < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    int width = header.biWidth;
    int height = header.biHeight / 2;
    if (width <= 0 || height <= 0) return std::nullopt;
    HBITMAP image = BitmapOfPackedDib(data, size, height);
    if (!image) return std::nullopt;
    size_t maskOffset = header.biSize + static_cast<size_t>(PaletteSize(header)) * 4 +
                        static_cast<size_t>(Stride(width, header.biBitCount)) * static_cast<size_t>(height);
    int maskStride = Stride(width, 1);
    std::vector<std::uint32_t> mask(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (int row = 0; row < height; ++row) {
        size_t offset = maskOffset + static_cast<size_t>(maskStride) * static_cast<size_t>(height - 1 - row);
        for (int x = 0; x < width; ++x) {
            bool transparent = offset + static_cast<size_t>(x / 8) < size && (data[offset + x / 8] & (0x80 >> (x % 8)));
            mask[static_cast<size_t>(row) * width + x] = transparent ? 0xFFFFFF : 0;
        }
    }
    Icon icon;
    icon.width = width;
    icon.height = height;
    icon.image = image;
    icon.mask = BitmapOfPixels(width, height, mask);
    return icon;
}

// A bitmap drawn again at another size.
HBITMAP Scaled(HBITMAP source, int fromWidth, int fromHeight, int width, int height) {
    std::vector<std::uint32_t> blank(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    HBITMAP target = BitmapOfPixels(width, height, blank);
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFrom = SelectObject(from, source);
    HGDIOBJ oldTo = SelectObject(to, target);
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, fromWidth, fromHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    return target;
}

Icon ScaledIcon(const Icon& icon, int width, int height) {
    Icon scaled = icon;
    scaled.shared = false;
    scaled.width = width;
    scaled.height = height;
    scaled.image = Scaled(icon.image, icon.width, icon.height, width, height);
    scaled.mask = Scaled(icon.mask, icon.width, icon.height, width, height);
    return scaled;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The icon of the group that fits `width` by `height` best: the same size with the most colours, else
// the nearest size.
std::optional<Icon> LoadIconResource(HINSTANCE module, LPCSTR name, int width, int height) {
    HRSRC group = FindResourceA(module, name, RT_GROUP_ICON);
    if (!group) return std::nullopt;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    DWORD size = SizeofResource(module, group);
    if (!data || size < 6) return std::nullopt;
    WORD count = static_cast<WORD>(data[4] | data[5] << 8);
    const GroupIconEntry* best = nullptr;
    int bestScore = 0;
    for (WORD index = 0; index < count && 6 + (index + 1) * sizeof(GroupIconEntry) <= size; ++index) {
        const auto* entry = reinterpret_cast<const GroupIconEntry*>(data + 6 + index * sizeof(GroupIconEntry));
        int entryWidth = entry->width ? entry->width : 256;
        int entryHeight = entry->height ? entry->height : 256;
        int score = -(std::abs(entryWidth - width) + std::abs(entryHeight - height)) * 64 + entry->bitCount;
        if (!best || score > bestScore) {
            best = entry;
            bestScore = score;
        }
    }
    if (!best) return std::nullopt;
    HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(best->id), RT_ICON);
    if (!image) return std::nullopt;
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, image)));
    if (!bytes) return std::nullopt;
    std::optional<Icon> icon = IconOfImage(bytes, SizeofResource(module, image));
    if (!icon || (icon->width == width && icon->height == height)) return icon;
    Icon scaled = ScaledIcon(*icon, width, height);
    DeleteObject(icon->image);
    DeleteObject(icon->mask);
    return scaled;
}

std::optional<std::vector<BYTE>> ReadWholeFile(LPCSTR path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<BYTE> bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    BOOL ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read != bytes.size()) return std::nullopt;
    return bytes;
}

HBITMAP LoadBitmapOfSize(HINSTANCE module, LPCSTR name, int width, int height, bool fromFile) {
    HBITMAP bitmap = nullptr;
    if (fromFile) {
        std::optional<std::vector<BYTE>> file = ReadWholeFile(name);
        // A .bmp file: "BM" and its 14-byte file header before the packed DIB.
        if (!file || file->size() < 14 + sizeof(BITMAPINFOHEADER) || (*file)[0] != 'B' || (*file)[1] != 'M') return nullptr;
        BITMAPINFOHEADER header;
        std::memcpy(&header, file->data() + 14, sizeof header);
        bitmap = BitmapOfPackedDib(file->data() + 14, file->size() - 14, std::abs(header.biHeight));
    } else {
        HRSRC found = FindResourceA(module, name, RT_BITMAP);
        if (!found) return nullptr;
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        DWORD size = SizeofResource(module, found);
        if (!data || size < sizeof(BITMAPINFOHEADER)) return nullptr;
        BITMAPINFOHEADER header;
        std::memcpy(&header, data, sizeof header);
        bitmap = BitmapOfPackedDib(data, size, std::abs(header.biHeight));
    }
    if (!bitmap || (width == 0 && height == 0)) return bitmap;
    BITMAP facts{};
    GetObjectA(bitmap, sizeof facts, &facts);
    if (width == 0) width = facts.bmWidth;
    if (height == 0) height = facts.bmHeight;
    if (width == facts.bmWidth && height == facts.bmHeight) return bitmap;
    HBITMAP scaled = Scaled(bitmap, facts.bmWidth, facts.bmHeight, width, height);
    DeleteObject(bitmap);
    return scaled;
}

// The system icons, drawn simply at 32 by 32: a red disc with a white cross (error), a yellow triangle
// with an exclamation mark (warning), a white disc with a blue "i" (information) or "?" (question), and a
// window (application).
Icon SystemIcon(WORD id) {
    constexpr int kSize = 32;
    std::vector<std::uint32_t> image(kSize * kSize, 0);
    std::vector<std::uint32_t> mask(kSize * kSize, 0xFFFFFF);
    auto set = [&](int x, int y, std::uint32_t color) {
        if (x < 0 || y < 0 || x >= kSize || y >= kSize) return;
        image[static_cast<size_t>(y) * kSize + x] = color;
        mask[static_cast<size_t>(y) * kSize + x] = 0;
    };
    const double centre = 15.5;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            double dx = x - centre;
            double dy = y - centre;
            double distance = std::hypot(dx, dy);
            switch (id) {
                case 32513: {  // IDI_HAND
                    if (distance > 15) break;
                    bool cross = std::abs(dx) <= 7.5 && std::abs(dy) <= 7.5 &&
                                 (std::abs(dx - dy) <= 2.2 || std::abs(dx + dy) <= 2.2);
                    set(x, y, cross ? 0xFFFFFF : distance > 13.8 ? 0x800000 : 0xFF0000);
                    break;
                }
                case 32515: {  // IDI_EXCLAMATION
                    double half = (y - 1) * 15.0 / 29.0;
                    if (y < 1 || y > 30 || std::abs(dx) > half + 0.5) break;
                    bool edge = std::abs(dx) > half - 1.2 || y >= 29;
                    bool mark = (x >= 14 && x <= 17 && ((y >= 9 && y <= 21) || (y >= 24 && y <= 26)));
                    set(x, y, edge || mark ? 0x000000 : 0xFFFF00);
                    break;
                }
                case 32514:    // IDI_QUESTION
                case 32516: {  // IDI_ASTERISK
                    if (distance > 15) break;
                    std::uint32_t color = distance > 13.8 ? 0x000080 : 0xFFFFFF;
                    if (id == 32516 && (std::hypot(x - centre, y - 8.5) <= 2.3 || (x >= 14 && x <= 17 && y >= 13 && y <= 24) ||
                                        (y >= 23 && y <= 24 && x >= 12 && x <= 19) || (y == 13 && x >= 12 && x <= 17)))
                        color = 0x0000FF;
                    if (id == 32514) {
                        // The hook of the mark, then its stem and dot.
                        double ring = std::hypot(dx, y - 11.5);
                        bool hook = ring >= 3.2 && ring <= 6.3 && !(dx < 0 && y > 11.5);
                        bool stem = x >= 14 && x <= 17 && y >= 16 && y <= 20;
                        bool dot = x >= 14 && x <= 17 && y >= 23 && y <= 26;
                        if (hook || stem || dot) color = 0x0000FF;
                    }
                    set(x, y, color);
                    break;
                }
                default: {  // IDI_APPLICATION and the others
                    if (x < 1 || x > 30 || y < 3 || y > 28) break;
                    bool border = x == 1 || x == 30 || y == 3 || y == 28;
                    bool title = y >= 4 && y <= 7;
                    set(x, y, border ? 0x000000 : title ? 0x000080 : 0xFFFFFF);
                    break;
                }
            }
        }
    }
    Icon icon;
    icon.width = kSize;
    icon.height = kSize;
    icon.image = BitmapOfPixels(kSize, kSize, image);
    icon.mask = BitmapOfPixels(kSize, kSize, mask);
    icon.shared = true;
    return icon;
}

std::string NameKey(LPCSTR name) {
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
    return name;
}

void DeleteIconBitmaps(const Icon& icon) {
    if (icon.image) DeleteObject(icon.image);
    if (icon.mask) DeleteObject(icon.mask);
}

HANDLE LoadImageUncached(HINSTANCE module, LPCSTR name, UINT type, int width, int height, UINT flags) {
    if (type == IMAGE_BITMAP) return LoadBitmapOfSize(module, name, width, height, (flags & LR_LOADFROMFILE) != 0);
    if (type != IMAGE_ICON && type != IMAGE_CURSOR) return nullptr;
    if (width == 0) width = (flags & LR_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : GetSystemMetrics(SM_CXICON);
    if (height == 0) height = GetSystemMetrics(SM_CYICON);
    if (!module && IS_INTRESOURCE(name)) {
        auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
        if (id < 32512 || id > 32517) return nullptr;
        Icon icon = SystemIcon(id);
        if (icon.width != width || icon.height != height) {
            Icon scaled = ScaledIcon(icon, width, height);
            DeleteIconBitmaps(icon);
            icon = scaled;
        }
        return AddIcon(icon);
    }
    std::optional<Icon> icon = LoadIconResource(module, name, width, height);
    return icon ? AddIcon(*icon) : nullptr;
}

}  // namespace

SIZE ImageSize(HANDLE image, UINT type) {
    if (type == IMAGE_ICON || type == IMAGE_CURSOR) {
        std::optional<Icon> icon = FindIcon(static_cast<HICON>(image));
        return icon ? SIZE{icon->width, icon->height} : SIZE{0, 0};
    }
    BITMAP facts{};
    if (!GetObjectA(image, sizeof facts, &facts)) return SIZE{0, 0};
    return SIZE{facts.bmWidth, std::abs(facts.bmHeight)};
}

}  // namespace platform

// Shared images (LR_SHARED, and every LoadIconA) are loaded once per module, name and size, and live as
// long as the process.
extern "C" HANDLE WINAPI LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!(fuLoad & LR_SHARED) || (fuLoad & LR_LOADFROMFILE)) {
        HANDLE image = platform::LoadImageUncached(hInst, name, type, cx, cy, fuLoad);
        if (!image) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return image;
    }
    platform::IconTable& table = platform::Icons();
    auto key = std::make_tuple(hInst, platform::NameKey(name), type, cx, cy);
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        auto found = table.shared.find(key);
        if (found != table.shared.end()) return found->second;
    }
    HANDLE image = platform::LoadImageUncached(hInst, name, type, cx, cy, fuLoad);
    if (!image) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(table.mutex);
    if (type != IMAGE_BITMAP) {
        auto icon = table.icons.find(static_cast<HICON>(image));
        if (icon != table.icons.end()) icon->second->shared = true;
    }
    table.shared.emplace(key, image);
    return image;
}

extern "C" HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    return static_cast<HICON>(LoadImageA(hInstance, lpIconName, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

extern "C" HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
    return static_cast<HBITMAP>(LoadImageA(hInstance, lpBitmapName, IMAGE_BITMAP, 0, 0, 0));
}

// A shared icon is never destroyed; DestroyIcon still succeeds for it.
extern "C" BOOL WINAPI DestroyIcon(HICON hIcon) {
    platform::IconTable& table = platform::Icons();
    std::unique_ptr<platform::Icon> icon;
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        auto found = table.icons.find(hIcon);
        if (found == table.icons.end()) {
            SetLastError(ERROR_INVALID_CURSOR_HANDLE);
            return FALSE;
        }
        if (found->second->shared) return TRUE;
        icon = std::move(found->second);
        table.icons.erase(found);
    }
    platform::DeleteIconBitmaps(*icon);
    return TRUE;
}

// A new image of the size asked for (0: the same); LR_COPYDELETEORG destroys the original.
extern "C" HANDLE WINAPI CopyImage(HANDLE h, UINT type, int cx, int cy, UINT flags) {
    if (type == IMAGE_BITMAP) {
        BITMAP facts{};
        if (!GetObjectA(h, sizeof facts, &facts)) return nullptr;
        int height = std::abs(facts.bmHeight);
        HBITMAP copy = platform::Scaled(static_cast<HBITMAP>(h), facts.bmWidth, height, cx ? cx : facts.bmWidth,
                                        cy ? cy : height);
        if (flags & LR_COPYDELETEORG) DeleteObject(h);
        return copy;
    }
    std::optional<platform::Icon> icon = platform::FindIcon(static_cast<HICON>(h));
    if (!icon) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    HICON copy = platform::AddIcon(platform::ScaledIcon(*icon, cx ? cx : icon->width, cy ? cy : icon->height));
    if (flags & LR_COPYDELETEORG) DestroyIcon(static_cast<HICON>(h));
    return copy;
}

// The mask ANDed (DI_MASK), then the image XORed (DI_IMAGE), stretched to cx by cy; 0 is the icon's own
// size, or the system's with DI_DEFAULTSIZE.
extern "C" BOOL WINAPI DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth,
                                  UINT istepIfAniCur, HBRUSH hbrFlickerFreeDraw, UINT diFlags) {
    (void)istepIfAniCur;
    (void)hbrFlickerFreeDraw;
    std::optional<platform::Icon> icon = platform::FindIcon(hIcon);
    if (!icon || !hdc) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return FALSE;
    }
    if (cxWidth == 0) cxWidth = (diFlags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : icon->width;
    if (cyWidth == 0) cyWidth = (diFlags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : icon->height;
    if (!(diFlags & DI_NORMAL)) diFlags |= DI_NORMAL;
    HDC memory = CreateCompatibleDC(hdc);
    HGDIOBJ previous = SelectObject(memory, icon->mask);
    SetStretchBltMode(hdc, COLORONCOLOR);
    if (diFlags & DI_MASK)
        StretchBlt(hdc, xLeft, yTop, cxWidth, cyWidth, memory, 0, 0, icon->width, icon->height, SRCAND);
    SelectObject(memory, icon->image);
    if (diFlags & DI_IMAGE)
        StretchBlt(hdc, xLeft, yTop, cxWidth, cyWidth, memory, 0, 0, icon->width, icon->height,
                   (diFlags & DI_MASK) ? SRCINVERT : SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return TRUE;
}

extern "C" BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    return DrawIconEx(hDC, X, Y, hIcon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}
