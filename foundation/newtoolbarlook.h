// The look shared by the tool bar and the menu items it draws: colours, sizes and
// the rounded filling helper (inside NEWTOOLBAR's own files only).
#pragma once

#include <windows.h>

namespace NEWTOOLBARLOOK {
const int BAR_PADDING = 4;
const int BUTTON_GAP = 2;
const int SEPARATOR_WIDTH = 11;
const int CORNER = 6;

// A pale bar; buttons only show a shape when they are hot, pressed or checked.
const COLORREF BAR_BACKGROUND = RGB(248, 249, 251);
const COLORREF BAR_BORDER = RGB(222, 226, 232);
const COLORREF SEPARATOR_LINE = RGB(209, 214, 222);
const COLORREF HOT_FILL = RGB(229, 233, 240);
const COLORREF HOT_BORDER = RGB(203, 210, 221);
const COLORREF PRESSED_FILL = RGB(209, 216, 228);
const COLORREF PRESSED_BORDER = RGB(170, 182, 199);
const COLORREF CHECKED_FILL = RGB(219, 234, 254);
const COLORREF CHECKED_BORDER = RGB(147, 197, 253);
const COLORREF CHECKED_HOT_FILL = RGB(200, 224, 253);
const COLORREF CHECKED_HOT_BORDER = RGB(96, 165, 250);

// Menu items.
const COLORREF MENU_TEXT = RGB(31, 41, 55);
const COLORREF MENU_TEXT_GRAYED = RGB(160, 166, 175);
const COLORREF MENU_SELECTED_FILL = RGB(226, 234, 246);
const COLORREF MENU_SELECTED_BORDER = RGB(203, 216, 236);

void FillRoundRect(HDC hdc, const RECT& r, COLORREF fill, COLORREF border);
}  // namespace NEWTOOLBARLOOK
