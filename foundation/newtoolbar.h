// NEWTOOLBAR, the tool bar the program draws itself: flat image buttons and check
// buttons with tool tips taken from the menu, laid out in rows across its parent,
// and the same images drawn into owner-drawn menu items.
#pragma once

#include "dynarray.h"
#include "strings.h"
#include "window.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

extern const char* const NEWTOOLBAR_CLASS;  // "KelvoWinClassNewToolbar"

struct NEWTOOLBARBUTTON {
    int Id = 0;                     // command id; 0 for a separator
    int Image = -1;                 // index in the image strips; -1 none
    BYTE Style = TBSTYLE_BUTTON;    // TBSTYLE_BUTTON, TBSTYLE_CHECK or TBSTYLE_SEP
    BYTE State = TBSTATE_ENABLED;   // TBSTATE_ENABLED, TBSTATE_CHECKED
    RECT Rect = {0, 0, 0, 0};       // where ArrangeButtons placed it
};

// One strip of square images side by side, kept as straight (not premultiplied)
// 32-bit BGRA pixels, top row first.
struct NEWTOOLBARIMAGES {
    int Size = 0;
    int Count = 0;
    std::vector<DWORD> Pixels;
};

class NEWTOOLBAR;

// An item of a menu that the bar draws; its address is the item's data.
struct NEWTOOLBARMENUITEM {
    NEWTOOLBAR* Owner = nullptr;
    HMENU Menu = nullptr;
    UINT Id = 0;
    bool Separator = false;
    bool Popup = false;
};

class NEWTOOLBAR : public WINDOW {
public:
    NEWTOOLBAR();
    ~NEWTOOLBAR() override;
    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Creates the bar as child id of parent with the images of two bitmap resources
    // (16 and 24 pixel strips of the resource module). The small or large symbols
    // follow the value "SmallSymbols" below "Software\Kelvo\" + app.
    bool Create(HWND parent, int id, int smallstrip, int largestrip, const char* app);

    // Appends a button for command id with an image (TBSTYLE_BUTTON or TBSTYLE_CHECK).
    bool AddButton(int id, int image, BYTE style = TBSTYLE_BUTTON);
    bool AddSeparator();
    int GetButtonCount() const { return Buttons.GetCount(); }

    // Places the buttons in rows across the bar's width; returns the height needed.
    int ArrangeButtons();
    // Spans the top of the parent's client area, as high as the buttons need; returns
    // that height.
    int Resize();
    int GetHeight() const { return Height; }
    // Where a button sits in the bar (an empty rectangle for an unknown id).
    RECT GetButtonRect(int id) const;

    bool EnableButton(int id, bool enable);
    bool IsButtonEnabled(int id) const;
    // Checks a check button (others are reported).
    bool CheckButton(int id, bool check);
    bool IsButtonChecked(int id) const;

    // Small (16) or large (24) symbols; the choice is stored for the next start.
    bool SetSmallSymbols(bool small);
    bool GetSmallSymbols() const { return SmallSymbols; }
    int GetImageSize() const;

    // The menu whose item texts are the tool tips (default: the parent's menu).
    void SetMenu(HMENU menu) { hMenu = menu; }
    // Tool tip of a button: its menu item's text without "&", accelerator and "...".
    STRING ToolTipText(int id) const;
    HWND GetToolTipWindow() const { return hToolTip; }

    // Makes the items of menu's pop-ups owner-drawn with the bar's images (all items,
    // or with id != 0 only that command's); returns how many items it took over.
    int MenuImages(HMENU menu, int id);
    // Handles WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR for those items on behalf of
    // the owner window; true (and the message result) when the message was theirs.
    bool MenuItemDrawing(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Draws the bar into hdc (WM_PAINT and WM_PRINTCLIENT).
    void Paint(HDC hdc);

private:
    int HitTest(int x, int y) const;
    NEWTOOLBARBUTTON* FindButton(int id);
    const NEWTOOLBARBUTTON* FindButton(int id) const;
    void UpdateToolTips();
    void OnMouseMove(int x, int y);
    void OnButtonDown(int x, int y);
    void OnButtonUp(int x, int y);
    LRESULT OnNotify(NMHDR* hdr);
    void PaintButton(HDC hdc, const NEWTOOLBARBUTTON& button, int index);
    void RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam);

    bool MeasureMenuItem(MEASUREITEMSTRUCT* mis);
    bool DrawMenuItem(const DRAWITEMSTRUCT* dis);
    bool MenuChar(WPARAM wParam, LPARAM lParam, LRESULT* result);
    HFONT MenuFont();
    int TakeMenuItems(HMENU menu, int id, bool bar);
    const NEWTOOLBARMENUITEM* FindMenuItem(ULONG_PTR data) const;
    static int MenuItemPosition(const NEWTOOLBARMENUITEM* item);

    // Draws image index of strip at x, y into any DC, grayed when asked.
    static void DrawImage(HDC hdc, int x, int y, const NEWTOOLBARIMAGES& strip, int index,
                          bool gray);
    static bool LoadStrip(int resourceid, int size, NEWTOOLBARIMAGES* strip);

    DYNARRAY<NEWTOOLBARBUTTON> Buttons;
    DYNARRAY<NEWTOOLBARMENUITEM> MenuItems;
    NEWTOOLBARIMAGES SmallImages;
    NEWTOOLBARIMAGES LargeImages;
    STRING App;
    HWND hParent;
    HWND hToolTip;
    HMENU hMenu;
    HFONT hMenuFont;
    bool SmallSymbols;
    int Height;
    int HotButton;      // index under the mouse, -1 none
    int PressedButton;  // index held down, -1 none
    bool TrackingLeave;
    STRING TipText;     // text handed to the tool tip control
    std::vector<wchar_t> TipTextW;
};
