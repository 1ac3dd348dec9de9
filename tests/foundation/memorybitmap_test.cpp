// MEMORYBITMAP: drawing off screen, resizing, copying out, and sizes that would give
// no usable bitmap.
#include "memorybitmap.h"

#include "kelvo.h"

#include <gtest/gtest.h>

static SIZE bitmap_size(HBITMAP bitmap)
{
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    return {bm.bmWidth, bm.bmHeight};
}

TEST(MemoryBitmap, DrawsOffScreenAndCopiesOut)
{
    int reports = AssertCount();
    MEMORYBITMAP source(30, 20);
    ASSERT_TRUE(source.GetHdc());
    ASSERT_TRUE(source.GetBitmap());
    EXPECT_EQ(source.Width(), 30);
    EXPECT_EQ(source.Height(), 20);
    SIZE size = bitmap_size(source.GetBitmap());
    EXPECT_EQ(size.cx, 30);
    EXPECT_EQ(size.cy, 20);
    // Compatible with the screen: colours, not monochrome.
    BITMAP bm = {};
    GetObjectA(source.GetBitmap(), sizeof bm, &bm);
    EXPECT_GT(bm.bmBitsPixel, 1);

    const RECT all = {0, 0, 30, 20};
    FillRect(source.GetHdc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixel(source.GetHdc(), 5, 6, RGB(0, 255, 0));

    MEMORYBITMAP target(40, 40, source.GetHdc());
    ASSERT_TRUE(source.CopyTo(target.GetHdc(), 10, 10));
    EXPECT_EQ(GetPixel(target.GetHdc(), 15, 16), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(target.GetHdc(), 16, 16), RGB(0, 0, 0));
    EXPECT_EQ(AssertCount(), reports);
}

TEST(MemoryBitmap, ResizeReplacesTheBitmap)
{
    MEMORYBITMAP bitmap(10, 10);
    HBITMAP before = bitmap.GetBitmap();
    ASSERT_TRUE(bitmap.Resize(50, 40));
    EXPECT_NE(bitmap.GetBitmap(), before);
    EXPECT_EQ(GetObjectType(before), 0u);  // the old one is deleted
    EXPECT_EQ(static_cast<HBITMAP>(GetCurrentObject(bitmap.GetHdc(), OBJ_BITMAP)), bitmap.GetBitmap());
    SIZE size = bitmap_size(bitmap.GetBitmap());
    EXPECT_EQ(size.cx, 50);
    EXPECT_EQ(size.cy, 40);
    EXPECT_EQ(bitmap.Width(), 50);
    EXPECT_EQ(bitmap.Height(), 40);
    BITMAP bm = {};
    GetObjectA(bitmap.GetBitmap(), sizeof bm, &bm);
    EXPECT_GT(bm.bmBitsPixel, 1);
    SetPixel(bitmap.GetHdc(), 49, 39, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(bitmap.GetHdc(), 49, 39), RGB(255, 0, 0));
}

TEST(MemoryBitmap, ZeroSizesBecomeOnePixel)
{
    int reports = AssertCount();
    MEMORYBITMAP bitmap(0, -3);  // a minimised window's client area
    EXPECT_EQ(bitmap.Width(), 1);
    EXPECT_EQ(bitmap.Height(), 1);
    ASSERT_TRUE(bitmap.Resize(0, 0));
    EXPECT_EQ(bitmap.Width(), 1);
    EXPECT_EQ(AssertCount(), reports);
}
