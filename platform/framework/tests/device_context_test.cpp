// The framework's device context and GDI objects: ownership of what they make, the objects selection
// gives back, and drawing through them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CDC.h"
#include "platform/kernel32/module_resources.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::TestMachine;

TEST(FrameworkDeviceContext, OwnsWhatItMakesAndGivesBackWhatWasSelected) {
    TestMachine machine;
    HGDIOBJ made = nullptr;
    {
        CDC memory;
        ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&memory, 8, 4));
        BITMAP info{};
        ASSERT_TRUE(bitmap.GetBitmap(&info));
        EXPECT_EQ(8, info.bmWidth);
        // Compatible with a fresh memory context: monochrome, as on Windows.
        EXPECT_EQ(1, info.bmBitsPixel);
        CBitmap* previous = memory.SelectObject(&bitmap);
        ASSERT_TRUE(previous);
        EXPECT_NE(previous->m_hObject, bitmap.m_hObject);
        EXPECT_EQ(previous, CBitmap::FromHandle(static_cast<HBITMAP>(previous->m_hObject)));
        CPen pen(PS_SOLID, 1, RGB(255, 255, 255));
        CPen* oldPen = memory.SelectObject(&pen);
        EXPECT_EQ(GetStockObject(BLACK_PEN), oldPen->m_hObject);
        EXPECT_EQ(pen.m_hObject, memory.GetCurrentPen()->m_hObject);
        memory.PatBlt(0, 0, 8, 4, BLACKNESS);
        memory.MoveTo(0, 1);
        memory.LineTo(8, 1);
        EXPECT_EQ(RGB(255, 255, 255), memory.GetPixel(3, 1));
        EXPECT_EQ(RGB(0, 0, 0), memory.GetPixel(3, 2));
        memory.SelectObject(oldPen);
        memory.SelectObject(previous);
        made = pen.m_hObject;
        CDC* temporary = CDC::FromHandle(memory.m_hDC);
        EXPECT_EQ(temporary, CDC::FromHandle(memory.m_hDC));
        EXPECT_EQ(memory.m_hDC, temporary->GetSafeHdc());
        CDC::DeleteTempMap();
        CGdiObject::DeleteTempMap();
        // The temporaries leave the context and the stock objects alone.
        EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), GetObjectType(memory.m_hDC));
        EXPECT_EQ(static_cast<DWORD>(OBJ_PEN), GetObjectType(GetStockObject(BLACK_PEN)));
    }
    // The pen went with its object.
    EXPECT_EQ(0u, GetObjectType(made));
}

TEST(FrameworkDeviceContext, DrawsTextAndFillsInItsFonts) {
    TestMachine machine;
    CDC screen;
    ASSERT_TRUE(screen.CreateIC("DISPLAY", nullptr, nullptr, nullptr));
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&screen));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 80, 20));
    CBitmap* previous = memory.SelectObject(&bitmap);
    RECT all{0, 0, 80, 20};
    memory.FillSolidRect(&all, RGB(255, 255, 255));
    EXPECT_EQ(RGB(255, 255, 255), memory.GetBkColor());
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(80, "MS Shell Dlg"));
    LOGFONTA log{};
    font.GetLogFont(&log);
    EXPECT_EQ(-11, log.lfHeight);
    CFont* oldFont = memory.SelectObject(&font);
    SIZE size = memory.GetTextExtent("Fine");
    EXPECT_GT(size.cx, 10);
    memory.SetBkMode(TRANSPARENT);
    memory.SetTextColor(RGB(0, 0, 255));
    RECT box = all;
    EXPECT_GT(memory.DrawText("Fine", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 0);
    int blue = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x) blue += memory.GetPixel(x, y) == RGB(0, 0, 255);
    EXPECT_GT(blue, 5);
    CBrush red(RGB(255, 0, 0));
    RECT corner{0, 0, 2, 2};
    memory.FillRect(&corner, &red);
    EXPECT_EQ(RGB(255, 0, 0), memory.GetPixel(1, 1));
    EXPECT_EQ(96, screen.GetDeviceCaps(LOGPIXELSX));
    memory.SelectObject(oldFont);
    memory.SelectObject(previous);
}

// A BITMAP resource of 2 x 2 pixels in 8 bits, bottom-up: red and blue above, white and black below.
TEST(FrameworkBitmap, LoadsABitmapResource) {
    TestMachine machine;
    std::vector<BYTE> packed(sizeof(BITMAPINFOHEADER) + 4 * sizeof(RGBQUAD) + 8);
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 2, 2, 1, 8, BI_RGB, 0, 0, 0, 4, 0};
    const RGBQUAD colors[4] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}};
    const BYTE rows[8] = {1, 0, 0, 0, 2, 3, 0, 0};
    std::memcpy(packed.data(), &header, sizeof header);
    std::memcpy(packed.data() + sizeof header, colors, sizeof colors);
    std::memcpy(packed.data() + sizeof header + sizeof colors, rows, sizeof rows);
    platform::ModuleResource resources[] = {
        {RT_BITMAP, MAKEINTRESOURCEA(201), 0x0410, packed.data(), static_cast<DWORD>(packed.size())},
        // Fewer bytes than the header describes.
        {RT_BITMAP, MAKEINTRESOURCEA(202), 0x0410, packed.data(), static_cast<DWORD>(packed.size() - 4)},
    };
    platform::RegisterModuleResources(nullptr, resources);
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadBitmap(201));
    BITMAP info{};
    bitmap.GetBitmap(&info);
    EXPECT_EQ(2, info.bmWidth);
    EXPECT_EQ(2, info.bmHeight);
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap* previous = memory.SelectObject(&bitmap);
    EXPECT_EQ(RGB(255, 0, 0), memory.GetPixel(0, 0));
    EXPECT_EQ(RGB(0, 0, 255), memory.GetPixel(1, 0));
    EXPECT_EQ(RGB(255, 255, 255), memory.GetPixel(0, 1));
    EXPECT_EQ(RGB(0, 0, 0), memory.GetPixel(1, 1));
    memory.SelectObject(previous);
    CBitmap shortOne, missing;
    EXPECT_FALSE(shortOne.LoadBitmap(202));
    EXPECT_FALSE(missing.LoadBitmap(203));
}

}  // namespace
