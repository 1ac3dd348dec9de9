// MEMORYBITMAP: the memory device context lives as long as the object, the bitmap
// selected into it is replaced on every resize.
#include "memorybitmap.h"

#include "kelvo.h"

// A zero size (a minimised window's client area) would give no usable bitmap.
static int at_least_one(int n) { return n < 1 ? 1 : n; }

MEMORYBITMAP::MEMORYBITMAP(int cx, int cy, HDC reference)
    : hdcMem(nullptr), hbmMem(nullptr), hbmOld(nullptr), Cx(0), Cy(0)
{
    HDC hdc = reference ? reference : GetDC(nullptr);
    if (!ASSERT(hdc)) return;
    hdcMem = CreateCompatibleDC(hdc);
    if (ASSERT(this->hdcMem)) {
        Cx = at_least_one(cx);
        Cy = at_least_one(cy);
        hbmMem = CreateCompatibleBitmap(hdc, Cx, Cy);
        if (ASSERT(this->hbmMem)) {
            hbmOld = static_cast<HBITMAP>(SelectObject(hdcMem, hbmMem));
        } else {
            Cx = Cy = 0;
        }
    }
    if (!reference) ReleaseDC(nullptr, hdc);
}

MEMORYBITMAP::~MEMORYBITMAP()
{
    if (hdcMem && hbmOld) SelectObject(hdcMem, hbmOld);
    if (hbmMem) DeleteObject(hbmMem);
    if (hdcMem) DeleteDC(hdcMem);
}

bool MEMORYBITMAP::Resize(int cx, int cy)
{
    if (!hdcMem) return false;
    cx = at_least_one(cx);
    cy = at_least_one(cy);
    LogitLevel(9, "MEMORYBITMAP::Resize %d, %d\n", cx, cy);
    // With a bitmap selected, the memory context hands its format on; without one
    // it only knows monochrome, so the screen stands in.
    HBITMAP bitmap = nullptr;
    if (hbmMem) {
        bitmap = CreateCompatibleBitmap(hdcMem, cx, cy);
    } else {
        HDC hdc = GetDC(nullptr);
        if (!ASSERT(hdc)) return false;
        bitmap = CreateCompatibleBitmap(hdc, cx, cy);
        ReleaseDC(nullptr, hdc);
    }
    if (!ASSERTTEXT(bitmap, "this->hbmMem", nullptr)) return false;
    HBITMAP old = static_cast<HBITMAP>(SelectObject(hdcMem, bitmap));
    if (hbmMem) {
        DeleteObject(hbmMem);
    } else {
        hbmOld = old;
    }
    hbmMem = bitmap;
    Cx = cx;
    Cy = cy;
    return true;
}

bool MEMORYBITMAP::CopyTo(HDC target, int x, int y) const
{
    return hdcMem && hbmMem && BitBlt(target, x, y, Cx, Cy, hdcMem, 0, 0, SRCCOPY);
}
