// MEMORYBITMAP, an off-screen drawing surface: a memory device context with a
// bitmap compatible with the screen (or a given device context).
#pragma once

#include <windows.h>

class MEMORYBITMAP {
public:
    // A surface of cx by cy pixels (at least one by one), compatible with reference
    // (null: the screen).
    MEMORYBITMAP(int cx, int cy, HDC reference = nullptr);
    ~MEMORYBITMAP();
    MEMORYBITMAP(const MEMORYBITMAP&) = delete;
    MEMORYBITMAP& operator=(const MEMORYBITMAP&) = delete;

    // Replaces the bitmap by one of the new size; the old picture is gone.
    bool Resize(int cx, int cy);
    // Copies the whole surface to target at x, y.
    bool CopyTo(HDC target, int x, int y) const;

    HDC GetHdc() const { return hdcMem; }
    HBITMAP GetBitmap() const { return hbmMem; }
    int Width() const { return Cx; }
    int Height() const { return Cy; }

    HDC hdcMem;
    HBITMAP hbmMem;

private:
    HBITMAP hbmOld;
    int Cx;
    int Cy;
};
