// NEWTOOLBAR: the bar window, its buttons and their layout, mouse handling, tool
// tips from the menu, the stored symbol size, and the flat painting.
#include "newtoolbar.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "memorybitmap.h"
#include "menu.h"
#include "newtoolbarlook.h"
#include "registry.h"

#include <cstdio>

const char* const NEWTOOLBAR_CLASS = "KelvoWinClassNewToolbar";

static const char SMALLSYMBOLS_VALUE[] = "SmallSymbols";

using namespace NEWTOOLBARLOOK;

static int button_size(int imagesize) { return imagesize + (imagesize > 16 ? 12 : 10); }

void NEWTOOLBARLOOK::FillRoundRect(HDC hdc, const RECT& r, COLORREF fill, COLORREF border)
{
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, border);
    HGDIOBJ oldbrush = SelectObject(hdc, brush);
    HGDIOBJ oldpen = SelectObject(hdc, pen);
    RoundRect(hdc, r.left, r.top, r.right, r.bottom, CORNER, CORNER);
    SelectObject(hdc, oldbrush);
    SelectObject(hdc, oldpen);
    DeleteObject(brush);
    DeleteObject(pen);
}

// ---------------------------------------------------------------- images

// A 32-bit picture of cx by cy pixels, top row first.
static BITMAPINFO top_down_info(int cx, int cy)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

bool NEWTOOLBAR::LoadStrip(int resourceid, int size, NEWTOOLBARIMAGES* strip)
{
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(KELVOAPP::ResourceModule(),
                                                     MAKEINTRESOURCEA(resourceid), IMAGE_BITMAP,
                                                     0, 0, LR_CREATEDIBSECTION));
    char info[48];
    snprintf(info, sizeof info, "bitmap %d", resourceid);
    if (!ASSERTINFO(bitmap, info)) return false;
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    int width = bm.bmWidth, height = bm.bmHeight;
    bool ok = ASSERTINFO(height == size && width >= size, info);
    if (ok) {
        BITMAPINFO bi = top_down_info(width, height);
        strip->Pixels.assign(static_cast<size_t>(width) * height, 0);
        HDC dc = GetDC(nullptr);
        ok = GetDIBits(dc, bitmap, 0, height, strip->Pixels.data(), &bi, DIB_RGB_COLORS) == height;
        ReleaseDC(nullptr, dc);
        bool alpha = false;
        for (DWORD p : strip->Pixels) alpha = alpha || (p >> 24) != 0;
        if (bm.bmBitsPixel < 32 || !alpha) {
            // No alpha channel: the colour of the top left pixel is the transparent one.
            DWORD key = strip->Pixels.empty() ? 0 : strip->Pixels[0] & 0xFFFFFF;
            for (DWORD& p : strip->Pixels) p = (p & 0xFFFFFF) == key ? 0 : (p | 0xFF000000);
        }
        strip->Size = size;
        strip->Count = width / size;
    }
    DeleteObject(bitmap);
    return ok;
}

void NEWTOOLBAR::DrawImage(HDC hdc, int x, int y, const NEWTOOLBARIMAGES& strip, int index,
                           bool gray)
{
    if (index < 0 || index >= strip.Count) return;
    int size = strip.Size;
    // Blended by hand on a copy of what is underneath, so any DC (a menu's as well)
    // gets smooth edges and the disabled look.
    BITMAPINFO bi = top_down_info(size, size);
    void* bits = nullptr;
    HBITMAP scratch = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!scratch) return;
    HDC mem = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(mem, scratch);
    BitBlt(mem, 0, 0, size, size, hdc, x, y, SRCCOPY);
    GdiFlush();
    DWORD* dst = static_cast<DWORD*>(bits);
    int stride = size * strip.Count;
    for (int row = 0; row < size; row++) {
        for (int col = 0; col < size; col++) {
            DWORD s = strip.Pixels[static_cast<size_t>(row) * stride + index * size + col];
            int a = s >> 24;
            int r = (s >> 16) & 255, g = (s >> 8) & 255, b = s & 255;
            if (gray) {
                int l = (r * 30 + g * 59 + b * 11) / 100;
                l = 150 + l / 3;  // light and flat, as disabled symbols are
                r = g = b = l;
                a = a * 55 / 100;
            }
            if (a == 0) continue;
            DWORD& d = dst[row * size + col];
            int dr = (d >> 16) & 255, dg = (d >> 8) & 255, db = d & 255;
            dr = (r * a + dr * (255 - a)) / 255;
            dg = (g * a + dg * (255 - a)) / 255;
            db = (b * a + db * (255 - a)) / 255;
            d = static_cast<DWORD>((dr << 16) | (dg << 8) | db);
        }
    }
    BitBlt(hdc, x, y, size, size, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(scratch);
}

// ---------------------------------------------------------------- the window

NEWTOOLBAR::NEWTOOLBAR()
    : Buttons("NEWTOOLBARBUTTON", 16, 16),
      MenuItems("NEWTOOLBARMENUITEM", 32, 32),
      hParent(nullptr),
      hToolTip(nullptr),
      hMenu(nullptr),
      hMenuFont(nullptr),
      SmallSymbols(false),
      Height(0),
      HotButton(-1),
      PressedButton(-1),
      TrackingLeave(false)
{
}

NEWTOOLBAR::~NEWTOOLBAR()
{
    LogitLevel(4, "NEWTOOLBAR::~NEWTOOLBAR\n");
    if (hToolTip && IsWindow(hToolTip)) DestroyWindow(hToolTip);
    if (hMenuFont) DeleteObject(hMenuFont);
}

bool NEWTOOLBAR::Create(HWND parent, int id, int smallstrip, int largestrip, const char* app)
{
    LogitLevel(4, "NEWTOOLBAR::Create id=%d app=%s\n", id, app ? app : "");
    WINDOWS::InitCommonControls();
    hParent = parent;
    App = app;
    if (App.NotEmpty()) {
        REGISTRY reg(HKEY_CURRENT_USER, KELVO_REGISTRYKEY, App, REGISTRY_READ);
        SmallSymbols = reg.Read(SMALLSYMBOLS_VALUE) == "1";
    }
    bool ok = LoadStrip(smallstrip, 16, &SmallImages);
    ok = LoadStrip(largestrip, 24, &LargeImages) && ok;
    if (!RegisterWinClass(NEWTOOLBAR_CLASS, CS_HREDRAW | CS_VREDRAW)) return false;
    RECT client = {};
    GetClientRect(parent, &client);
    if (!WINDOW::Create(NEWTOOLBAR_CLASS, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                        client.right, button_size(GetImageSize()) + 2 * BAR_PADDING + 1, parent,
                        id))
        return false;
    hToolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hWnd, nullptr,
                               KELVOAPP::Instance(), nullptr);
    ASSERT(hToolTip);
    LogitLevel(4, "NEWTOOLBAR::~Create ok=%d small=%d\n", ok, SmallSymbols);
    return true;
}

int NEWTOOLBAR::GetImageSize() const { return SmallSymbols ? 16 : 24; }

bool NEWTOOLBAR::AddButton(int id, int image, BYTE style)
{
    LogitLevel(4, "NEWTOOLBAR::AddButton id=%d image=%d style=%d\n", id, image, style);
    NEWTOOLBARBUTTON button;
    button.Id = id;
    button.Image = image;
    button.Style = style;
    return Buttons.Add(button);
}

bool NEWTOOLBAR::AddSeparator()
{
    NEWTOOLBARBUTTON button;
    button.Style = TBSTYLE_SEP;
    return Buttons.Add(button);
}

NEWTOOLBARBUTTON* NEWTOOLBAR::FindButton(int id)
{
    for (int i = 0; i < Buttons.GetCount(); i++) {
        NEWTOOLBARBUTTON* button = Buttons.GetItem(i);
        if (button && button->Id == id && !(button->Style & TBSTYLE_SEP)) return button;
    }
    return nullptr;
}

const NEWTOOLBARBUTTON* NEWTOOLBAR::FindButton(int id) const
{
    return const_cast<NEWTOOLBAR*>(this)->FindButton(id);
}

int NEWTOOLBAR::ArrangeButtons()
{
    RECT client = {};
    if (hWnd) GetClientRect(hWnd, &client);
    int width = client.right;
    int size = button_size(GetImageSize());
    int x = BAR_PADDING, y = BAR_PADDING;
    for (int i = 0; i < Buttons.GetCount(); i++) {
        NEWTOOLBARBUTTON& button = Buttons[i];
        bool separator = (button.Style & TBSTYLE_SEP) != 0;
        int w = separator ? SEPARATOR_WIDTH : size;
        if (x > BAR_PADDING && x + w > width - BAR_PADDING) {
            x = BAR_PADDING;
            y += size + BUTTON_GAP;
        }
        if (separator && x == BAR_PADDING) {
            SetRectEmpty(&button.Rect);  // a row never starts with a separator
            continue;
        }
        SetRect(&button.Rect, x, y, x + w, y + size);
        x += w + BUTTON_GAP;
    }
    Height = y + size + BAR_PADDING + 1;
    LogitLevel(4, "NEWTOOLBAR::ArrangeButtons width=%d height=%d\n", width, Height);
    UpdateToolTips();
    if (hWnd) InvalidateRect(hWnd, nullptr, FALSE);
    return Height;
}

int NEWTOOLBAR::Resize()
{
    if (!hWnd) return 0;
    RECT client = {};
    GetClientRect(hParent, &client);
    // Arranged at the new width first, since the rows decide the height.
    SetWindowPos(hWnd, nullptr, 0, 0, client.right, Height > 0 ? Height : 1,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ArrangeButtons();
    SetWindowPos(hWnd, nullptr, 0, 0, client.right, Height, SWP_NOZORDER | SWP_NOACTIVATE);
    LogitLevel(4, "NEWTOOLBAR::Resize %d x %d\n", static_cast<int>(client.right), Height);
    return Height;
}

RECT NEWTOOLBAR::GetButtonRect(int id) const
{
    const NEWTOOLBARBUTTON* button = FindButton(id);
    RECT empty = {0, 0, 0, 0};
    return button ? button->Rect : empty;
}

// Sets or clears a state bit of button and repaints it when that changes its look.
static void set_state(HWND bar, NEWTOOLBARBUTTON& button, BYTE bit, bool on)
{
    BYTE state = on ? (button.State | bit) : (button.State & ~bit);
    if (state != button.State && bar) InvalidateRect(bar, &button.Rect, FALSE);
    button.State = state;
}

bool NEWTOOLBAR::EnableButton(int id, bool enable)
{
    NEWTOOLBARBUTTON* button = FindButton(id);
    if (button) set_state(hWnd, *button, TBSTATE_ENABLED, enable);
    return button != nullptr;
}

bool NEWTOOLBAR::IsButtonEnabled(int id) const
{
    const NEWTOOLBARBUTTON* button = FindButton(id);
    return button && (button->State & TBSTATE_ENABLED);
}

bool NEWTOOLBAR::CheckButton(int id, bool check)
{
    NEWTOOLBARBUTTON* found = FindButton(id);
    if (!found) return false;
    const NEWTOOLBARBUTTON& button = *found;
    if (!ASSERT(button.Style & TBSTYLE_CHECK)) return false;
    set_state(hWnd, *found, TBSTATE_CHECKED, check);
    return true;
}

bool NEWTOOLBAR::IsButtonChecked(int id) const
{
    const NEWTOOLBARBUTTON* button = FindButton(id);
    return button && (button->State & TBSTATE_CHECKED);
}

bool NEWTOOLBAR::SetSmallSymbols(bool small)
{
    LogitLevel(4, "NEWTOOLBAR::SetSmallSymbols %d\n", small);
    SmallSymbols = small;
    bool stored = true;
    if (App.NotEmpty()) {
        REGISTRY reg(App, KELVO_REGISTRYKEY, REGISTRY_CURRENTUSER);
        stored = reg.Write(SMALLSYMBOLS_VALUE, small ? "1" : "0");
    }
    if (hWnd) Resize();
    return stored;
}

// ---------------------------------------------------------------- tool tips

STRING NEWTOOLBAR::ToolTipText(int id) const
{
    MENU menu(hMenu ? hMenu : GetMenu(hParent));
    STRING item = menu.GetMenuItemText(id);
    if (item.IsNull()) return STRING("");
    STRING tip = item.Field(0, "\t", STRINGFIELD_EMPTYIFMISSING);
    // "&&" stands for one "&"; a single one only marks the mnemonic.
    STRING clean("");
    for (int i = 0; i < tip.Length(); i++) {
        char c = tip[i];
        if (c == '&') {
            if (i + 1 >= tip.Length()) break;
            c = tip[++i];
        }
        clean.AppendChar(c);
    }
    clean.Strip('R', ". ");
    return clean;
}

void NEWTOOLBAR::UpdateToolTips()
{
    if (!hToolTip) return;
    for (int i = 0; i < Buttons.GetCount(); i++) {
        const NEWTOOLBARBUTTON& button = Buttons[i];
        if (button.Style & TBSTYLE_SEP) continue;
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every library version
        ti.hwnd = hWnd;
        ti.uId = static_cast<UINT_PTR>(button.Id);
        SendMessageA(hToolTip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        if (IsRectEmpty(&button.Rect)) continue;
        ti.rect = button.Rect;
        ti.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(hToolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void NEWTOOLBAR::RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!hToolTip) return;
    MSG msg = {hWnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {0, 0}};
    msg.pt.x = static_cast<short>(LOWORD(lParam));
    msg.pt.y = static_cast<short>(HIWORD(lParam));
    SendMessageA(hToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

LRESULT NEWTOOLBAR::OnNotify(NMHDR* hdr)
{
    if (hdr->hwndFrom != hToolTip) return 0;
    if (hdr->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* di = reinterpret_cast<NMTTDISPINFOA*>(hdr);
        TipText = ToolTipText(static_cast<int>(hdr->idFrom));
        di->lpszText = TipText.Data() ? TipText.Data() : const_cast<char*>("");
        di->hinst = nullptr;
    } else if (hdr->code == TTN_GETDISPINFOW) {
        NMTTDISPINFOW* di = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        TipText = ToolTipText(static_cast<int>(hdr->idFrom));
        int n = MultiByteToWideChar(CP_ACP, 0, TipText.Text(), -1, nullptr, 0);
        TipTextW.assign(n > 0 ? n : 1, 0);
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, TipText.Text(), -1, TipTextW.data(), n);
        di->lpszText = TipTextW.data();
        di->hinst = nullptr;
    } else {
        return 0;
    }
    // The owner may give a text of its own.
    SendMessageA(hParent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
    return 0;
}

// ---------------------------------------------------------------- mouse

int NEWTOOLBAR::HitTest(int x, int y) const
{
    POINT pt = {x, y};
    for (int i = 0; i < Buttons.GetCount(); i++) {
        const NEWTOOLBARBUTTON* button = Buttons.GetItem(i);
        if (button && !(button->Style & TBSTYLE_SEP) && PtInRect(&button->Rect, pt)) return i;
    }
    return -1;
}

void NEWTOOLBAR::OnMouseMove(int x, int y)
{
    int hot = HitTest(x, y);
    if (hot != HotButton) {
        if (HotButton >= 0) InvalidateRect(hWnd, &Buttons[HotButton].Rect, FALSE);
        if (hot >= 0) InvalidateRect(hWnd, &Buttons[hot].Rect, FALSE);
        HotButton = hot;
    }
    if (!TrackingLeave) {
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, hWnd, 0};
        TrackingLeave = TrackMouseEvent(&tme) != FALSE;
    }
}

void NEWTOOLBAR::OnButtonDown(int x, int y)
{
    int hit = HitTest(x, y);
    if (hit < 0 || !(Buttons[hit].State & TBSTATE_ENABLED)) return;
    PressedButton = hit;
    HotButton = hit;
    SetCapture(hWnd);
    InvalidateRect(hWnd, &Buttons[hit].Rect, FALSE);
}

void NEWTOOLBAR::OnButtonUp(int x, int y)
{
    int pressed = PressedButton;
    PressedButton = -1;
    if (GetCapture() == hWnd) ReleaseCapture();
    if (pressed < 0) return;
    InvalidateRect(hWnd, &Buttons[pressed].Rect, FALSE);
    // Released elsewhere: the click is taken back.
    if (HitTest(x, y) != pressed) return;
    NEWTOOLBARBUTTON& button = Buttons[pressed];
    if (button.Style & TBSTYLE_CHECK) button.State ^= TBSTATE_CHECKED;
    LogitLevel(4, "NEWTOOLBAR::Click id=%d state=%d\n", button.Id, button.State);
    SendMessageA(hParent, WM_COMMAND, MAKEWPARAM(button.Id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(hWnd));
}

// ---------------------------------------------------------------- painting

void NEWTOOLBAR::PaintButton(HDC hdc, const NEWTOOLBARBUTTON& button, int index)
{
    const RECT& r = button.Rect;
    if (IsRectEmpty(&r)) return;
    if (button.Style & TBSTYLE_SEP) {
        int mid = (r.left + r.right) / 2;
        RECT line = {mid, r.top + 4, mid + 1, r.bottom - 4};
        FillSolidRect(hdc, line, SEPARATOR_LINE);
        return;
    }
    bool enabled = (button.State & TBSTATE_ENABLED) != 0;
    bool checked = (button.State & TBSTATE_CHECKED) != 0;
    bool hot = enabled && index == HotButton;
    bool pressed = enabled && index == PressedButton && hot;
    if (pressed)
        FillRoundRect(hdc, r, PRESSED_FILL, PRESSED_BORDER);
    else if (checked)
        FillRoundRect(hdc, r, hot ? CHECKED_HOT_FILL : CHECKED_FILL,
                        hot ? CHECKED_HOT_BORDER : CHECKED_BORDER);
    else if (hot)
        FillRoundRect(hdc, r, HOT_FILL, HOT_BORDER);
    const NEWTOOLBARIMAGES& strip = SmallSymbols ? SmallImages : LargeImages;
    int x = r.left + (r.right - r.left - strip.Size) / 2;
    int y = r.top + (r.bottom - r.top - strip.Size) / 2;
    if (pressed) y++;  // the symbol sinks a little while held
    DrawImage(hdc, x, y, strip, button.Image, !enabled);
}

void NEWTOOLBAR::Paint(HDC hdc)
{
    RECT client = {};
    GetClientRect(hWnd, &client);
    // Drawn off screen and copied at once, so nothing flickers while hovering.
    MEMORYBITMAP back(client.right, client.bottom, hdc);
    HDC mem = back.GetHdc();
    FillSolidRect(mem, client, BAR_BACKGROUND);
    RECT border = {0, client.bottom - 1, client.right, client.bottom};
    FillSolidRect(mem, border, BAR_BORDER);
    for (int i = 0; i < Buttons.GetCount(); i++) PaintButton(mem, Buttons[i], i);
    back.CopyTo(hdc, 0, 0);
}

// ---------------------------------------------------------------- messages

LRESULT NEWTOOLBAR::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    int x = static_cast<short>(LOWORD(lParam));
    int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        Paint(hdc);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        ArrangeButtons();
        return 0;
    case WM_MOUSEMOVE:
        RelayToToolTip(message, wParam, lParam);
        OnMouseMove(x, y);
        return 0;
    case WM_MOUSELEAVE:
        TrackingLeave = false;
        if (HotButton >= 0) InvalidateRect(hWnd, &Buttons[HotButton].Rect, FALSE);
        HotButton = -1;
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        RelayToToolTip(message, wParam, lParam);
        OnButtonDown(x, y);
        return 0;
    case WM_LBUTTONUP:
        RelayToToolTip(message, wParam, lParam);
        OnButtonUp(x, y);
        return 0;
    case WM_CAPTURECHANGED:
        if (PressedButton >= 0 && reinterpret_cast<HWND>(lParam) != hWnd) {
            InvalidateRect(hWnd, &Buttons[PressedButton].Rect, FALSE);
            PressedButton = -1;
        }
        return 0;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        if (hMenuFont) DeleteObject(hMenuFont);
        hMenuFont = nullptr;
        InvalidateRect(hWnd, nullptr, FALSE);
        break;
    }
    return WINDOW::WinProc(message, wParam, lParam);
}
