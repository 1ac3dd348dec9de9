// MEMORYBITMAP: drawing off screen, resizing, copying out, and sizes that would give
// no usable bitmap.
#include "memorybitmap.h"

#include "reports.h"

#include <gtest/gtest.h>

#include <string>

// The bitmap's own size and depth, "cx x cy x bits".
static std::string format_of(HBITMAP bitmap)
{
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    return std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight) + "x" +
           std::to_string(bm.bmBitsPixel);
}

TEST(MemoryBitmap, DrawsOffScreenResizesAndCopiesOut)
{
    REPORTS reports;
    MEMORYBITMAP source(10, 10);
    HBITMAP before = source.GetBitmap();
    ASSERT_TRUE(source.Resize(30, 20));
    EXPECT_EQ(GetObjectType(before), 0u);  // the old one is deleted
    EXPECT_EQ(GetCurrentObject(source.GetHdc(), OBJ_BITMAP), source.GetBitmap());
    // Compatible with the screen: colours, not monochrome.
    std::string format = format_of(source.GetBitmap());
    EXPECT_EQ(format.substr(0, 6), "30x20x");
    EXPECT_NE(format, "30x20x1");
    EXPECT_EQ(source.Width(), 30);

    const RECT all = {0, 0, 30, 20};
    FillRect(source.GetHdc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixel(source.GetHdc(), 29, 19, RGB(0, 255, 0));
    MEMORYBITMAP target(40, 40, source.GetHdc());
    ASSERT_TRUE(source.CopyTo(target.GetHdc(), 10, 10));
    EXPECT_EQ(GetPixel(target.GetHdc(), 39, 29), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(target.GetHdc(), 38, 29), RGB(0, 0, 0));
    EXPECT_TRUE(reports.Were(0));
}

TEST(MemoryBitmap, ZeroSizesBecomeOnePixel)
{
    REPORTS reports;
    MEMORYBITMAP bitmap(0, -3);  // a minimised window's client area
    EXPECT_EQ(format_of(bitmap.GetBitmap()).substr(0, 4), "1x1x");
    ASSERT_TRUE(bitmap.Resize(0, 0));
    EXPECT_EQ(bitmap.Width(), 1);
    EXPECT_TRUE(reports.Were(0));
}
